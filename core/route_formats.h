// Reads a route whatever form it comes in, recognised by its content, never
// by its file name, and hands back the same two arrays as ReadKmlRoute:
//
// - a ZIP archive is a KMZ: its "doc.kml" (letter case ignored), else its
//   first entry whose name ends in ".kml", is read as KML below;
// - a file whose root element is "gpx" (any namespace prefix) is GPX 1.0 or
//   1.1: the points of the first track that has any (all its segments in
//   order), else those of the first route that has any;
// - anything else is KML: a file holding one of the geometry keywords of
//   ReadKmlRoute is read by it, exactly as always; a file holding none of
//   them gives the points of its first Track (KML 2.3 or gx:Track), or of
//   all tracks of its first MultiTrack, from the coord elements
//   ("lon lat alt").
//
// The result codes are those of ReadKmlRoute. A damaged archive, an entry
// that cannot be unpacked, a coordinate that is not a finite number or a
// point lacking one give kRouteWrongFormat; a GPX file or track without
// points gives kRouteNoCoordinates.
#pragma once
#include <string>
#include <vector>

enum class RouteFormat {
  kNone,      // not recognised (a result below 1 before the format was known)
  kKml,       // the geometry keywords and their coordinate list
  kKmlTrack,  // Track / MultiTrack coord elements
  kKmz,       // a KMZ holding kKml
  kKmzTrack,  // a KMZ holding kKmlTrack
  kGpx,
};

// The name shown to the user: "KML", "KML track", "KMZ", "KMZ track", "GPX";
// "" for kNone.
const char* RouteFormatName(RouteFormat format);

// Reads the route file at path (code page 1252 on Windows, bytes on POSIX).
// Returns the point count n >= 1 with n entries in both vectors, or a result
// code of ReadKmlRoute with both vectors empty. format (optional) receives
// what the content was taken for.
int ReadRoute(const char* path, std::vector<double>& longitudes, std::vector<double>& latitudes,
              RouteFormat* format = nullptr);

// The same for a file already in memory.
int ParseRoute(std::string text, std::vector<double>& longitudes, std::vector<double>& latitudes,
               RouteFormat* format = nullptr);
