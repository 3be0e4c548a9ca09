// Reads the route of a Google Earth KML file: the longitudes and latitudes of
// the first geometry element's coordinate list, joining the lists of
// consecutive LineString elements. Not an XML parser: it finds the first
// geometry keyword, the word "coordinates" after it, and reads the numbers
// that follow. Lists of (longitude,latitude,altitude) triples and of
// (longitude,latitude) pairs are both understood, with period or comma as
// the decimal mark; numbers never depend on the process locale.
#pragma once
#include <string>
#include <vector>

// Results of ReadKmlRoute below 1.
constexpr int kRouteNoPoint = 0;         // two number tokens but no complete point
constexpr int kRouteNotOpened = -1;      // missing, a folder, empty, or unreadable
constexpr int kRouteWrongFormat = -2;    // no geometry keyword, or no "coordinates" after it
constexpr int kRouteNoMemory = -3;       // the file or the points do not fit in memory
constexpr int kRouteNoCoordinates = -4;  // fewer than two number tokens

// Reads the route file at path (code page 1252 on Windows, bytes on POSIX).
// Returns the number of points n >= 1 with n entries in both vectors, or one
// of the codes above with both vectors empty.
int ReadKmlRoute(const char* path, std::vector<double>& longitudes,
                 std::vector<double>& latitudes);

// The same for a file already in memory (any bytes; zero bytes end the
// coordinate list). The text is worked on in place, hence taken by value:
// pass it with std::move when it is not needed afterwards.
int ParseKmlRoute(std::string text, std::vector<double>& longitudes,
                  std::vector<double>& latitudes);

// Whether text (up to its first zero byte) holds one of the geometry
// keywords the reader starts from, in any letter case.
bool HasGeometryKeyword(const char* text);

// The number of the program text that tells the user about a result below 1
// (kTextRouteNotOpened ... kTextRouteUnknownError); 0 for a point count.
int RouteResultTextNumber(int result);
