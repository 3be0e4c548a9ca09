// Route formats other than the KML coordinate list, recognised by content.
//
// GPX and KML tracks are XML, but all a route needs from them is the
// sequence of tags and a few attribute values, so a tag scanner does: it
// walks from '<' to '>' (quoted attribute values may hold '>'), skips
// comments, CDATA sections, processing instructions and declarations, and
// compares local names (the part behind a namespace prefix). It never
// looks past the end of the text and needs no nesting stack: the elements
// that matter (trk/rte, Track/MultiTrack) are closed by their own end tag.
//
// The KML coordinate-list reader stays the first choice for every file it
// can read, so a KML file that read before reads exactly as before.
#include "core/route_formats.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>
#include <string_view>

#include "core/route_reader.h"
#include "support/archive/zip_file.h"
#include "support/file_path.h"
#include "support/text_scan.h"

namespace {

// ---- Tags -------------------------------------------------------------------

struct Tag {
  std::string_view local;       // the name behind its namespace prefix
  bool closing = false;         // </name>
  bool empty = false;           // <name ... />
  std::string_view attributes;  // between the name and the '>' (or "/>")
  std::size_t end = 0;          // index just behind the '>'
};

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

class TagScanner {
 public:
  explicit TagScanner(std::string_view text) : text_(text) {}

  // The next tag; false at the end of the text (a tag cut off by the end
  // of the text is no tag).
  bool Next(Tag& tag) {
    for (;;) {
      std::size_t open = text_.find('<', position_);
      if (open == std::string_view::npos) return Finish();
      std::string_view rest = text_.substr(open);
      if (Skip(rest, open, "<!--", "-->") || Skip(rest, open, "<![CDATA[", "]]>") ||
          Skip(rest, open, "<?", "?>") || Skip(rest, open, "<!", ">")) {
        if (position_ >= text_.size()) return false;
        continue;
      }
      int read = ReadTag(open, tag);
      if (read != kNotATag) return read == kTag;
    }
  }

  // Index just behind the last tag read.
  std::size_t Position() const { return position_; }

 private:
  bool Finish() {
    position_ = text_.size();
    return false;
  }

  // When rest starts with opener, moves behind the next closer (or to the end).
  bool Skip(std::string_view rest, std::size_t open, std::string_view opener, std::string_view closer) {
    if (rest.substr(0, opener.size()) != opener) return false;
    std::size_t close = text_.find(closer, open + opener.size());
    position_ = close == std::string_view::npos ? text_.size() : close + closer.size();
    return true;
  }

  enum { kEnd, kTag, kNotATag };

  // A '<' without a name (a stray "<" in text) is no tag: the scan goes on
  // behind it.
  int ReadTag(std::size_t open, Tag& tag) {
    std::size_t i = open + 1;
    tag.closing = i < text_.size() && text_[i] == '/';
    if (tag.closing) ++i;
    std::size_t nameStart = i, localStart = i;
    while (i < text_.size() && !IsXmlSpace(text_[i]) && text_[i] != '>' && text_[i] != '/') {
      if (text_[i] == ':') localStart = i + 1;
      ++i;
    }
    if (i == nameStart) {
      position_ = open + 1;
      return kNotATag;
    }
    tag.local = text_.substr(localStart, i - localStart);
    std::size_t attributesStart = i;
    while (i < text_.size() && text_[i] != '>') {
      if (text_[i] == '"' || text_[i] == '\'') {
        i = text_.find(text_[i], i + 1);
        if (i == std::string_view::npos) break;
      }
      ++i;
    }
    if (i >= text_.size()) {
      Finish();
      return kEnd;
    }
    tag.empty = text_[i - 1] == '/';
    tag.attributes = text_.substr(attributesStart, i - attributesStart - (tag.empty ? 1 : 0));
    tag.end = position_ = i + 1;
    return kTag;
  }

  std::string_view text_;
  std::size_t position_ = 0;
};

// The value of the attribute called name (no prefix), or false.
bool FindAttribute(std::string_view attributes, std::string_view name, std::string_view& value) {
  std::size_t i = 0, size = attributes.size();
  while (i < size) {
    while (i < size && IsXmlSpace(attributes[i])) ++i;
    std::size_t nameStart = i;
    while (i < size && attributes[i] != '=' && !IsXmlSpace(attributes[i])) ++i;
    std::string_view found = attributes.substr(nameStart, i - nameStart);
    while (i < size && IsXmlSpace(attributes[i])) ++i;
    if (i >= size || attributes[i] != '=') return false;  // not an attribute list
    ++i;
    while (i < size && IsXmlSpace(attributes[i])) ++i;
    if (i >= size || (attributes[i] != '"' && attributes[i] != '\'')) return false;
    std::size_t close = attributes.find(attributes[i], i + 1);
    if (close == std::string_view::npos) return false;
    if (found == name) {
      value = attributes.substr(i + 1, close - i - 1);
      return true;
    }
    i = close + 1;
  }
  return false;
}

// ---- Numbers ------------------------------------------------------------------

// Reads one finite number from text, which must be followed (within the
// buffer) by a character that is not part of a number; next receives the
// index behind it. False for no number, inf, nan or an overflow.
bool ReadFinite(std::string_view text, std::size_t from, double& value, std::size_t& next) {
  const char* start = text.data() + from;
  const char* end = nullptr;
  value = ParseDecimal(start, &end);
  if (end == start || !std::isfinite(value)) return false;
  next = static_cast<std::size_t>(end - text.data());
  return next <= text.size();
}

// An attribute value that is one number with optional white space around.
bool ReadNumberAttribute(std::string_view attributes, std::string_view name, double& value) {
  std::string_view text;
  if (!FindAttribute(attributes, name, text)) return false;
  std::size_t next = 0;
  // The value is followed by its closing quote, so the reader stops there.
  if (!ReadFinite(text, 0, value, next)) return false;
  while (next < text.size() && IsXmlSpace(text[next])) ++next;
  return next == text.size();
}

struct Points {
  std::vector<double> longitudes, latitudes;
  bool empty() const { return longitudes.empty(); }
  void Add(double longitude, double latitude) {
    longitudes.push_back(longitude);
    latitudes.push_back(latitude);
  }
};

int Deliver(Points& points, std::vector<double>& longitudes, std::vector<double>& latitudes) {
  if (points.empty()) return kRouteNoCoordinates;
  if (points.longitudes.size() > static_cast<std::size_t>(INT_MAX)) return kRouteNoMemory;
  longitudes.swap(points.longitudes);
  latitudes.swap(points.latitudes);
  return static_cast<int>(longitudes.size());
}

// ---- GPX ------------------------------------------------------------------------

// The local name of the first element, "" when there is none.
std::string_view RootElement(std::string_view text) {
  TagScanner tags(text);
  Tag tag;
  return tags.Next(tag) && !tag.closing ? tag.local : std::string_view();
}

bool AddGpxPoint(const Tag& tag, Points& points) {
  double latitude = 0, longitude = 0;
  if (!ReadNumberAttribute(tag.attributes, "lat", latitude) ||
      !ReadNumberAttribute(tag.attributes, "lon", longitude))
    return false;
  points.Add(longitude, latitude);
  return true;
}

// The points of the first track that has any (its segments in order), else
// those of the first route that has any.
int ReadGpx(std::string_view text, std::vector<double>& longitudes, std::vector<double>& latitudes) {
  enum class Inside { kNothing, kTrack, kRoute } inside = Inside::kNothing;
  Points track, route;
  bool routeComplete = false;
  TagScanner tags(text);
  Tag tag;
  while (tags.Next(tag)) {
    if (tag.closing) {
      if (inside == Inside::kTrack && tag.local == "trk") {
        if (!track.empty()) break;
        inside = Inside::kNothing;
      } else if (inside == Inside::kRoute && tag.local == "rte") {
        routeComplete = !route.empty();
        inside = Inside::kNothing;
      }
    } else if (inside == Inside::kNothing) {
      if (tag.empty) continue;
      if (tag.local == "trk") inside = Inside::kTrack;
      if (tag.local == "rte" && !routeComplete) inside = Inside::kRoute;
    } else if (inside == Inside::kTrack && tag.local == "trkpt") {
      if (!AddGpxPoint(tag, track)) return kRouteWrongFormat;
    } else if (inside == Inside::kRoute && tag.local == "rtept") {
      if (!AddGpxPoint(tag, route)) return kRouteWrongFormat;
    }
  }
  return Deliver(track.empty() ? route : track, longitudes, latitudes);
}

// ---- KML tracks ------------------------------------------------------------------

// A coord element's text: "lon lat" and an altitude that is not needed.
bool AddCoord(std::string_view text, std::size_t from, Points& points) {
  double longitude = 0, latitude = 0;
  std::size_t next = 0;
  if (!ReadFinite(text, from, longitude, next) || !ReadFinite(text, next, latitude, next)) return false;
  points.Add(longitude, latitude);
  return true;
}

// The coord elements of the first Track, or of all tracks of the first
// MultiTrack, whichever comes first. kRouteWrongFormat when there is none.
int ReadKmlTrack(std::string_view text, std::vector<double>& longitudes,
                 std::vector<double>& latitudes) {
  TagScanner tags(text);
  Tag tag;
  std::string_view container;
  while (container.empty() && tags.Next(tag)) {
    if (!tag.closing && (tag.local == "Track" || tag.local == "MultiTrack")) {
      if (tag.empty) return kRouteNoCoordinates;
      container = tag.local;
    }
  }
  if (container.empty()) return kRouteWrongFormat;
  Points points;
  while (tags.Next(tag)) {
    if (tag.closing && tag.local == container) break;
    if (!tag.closing && !tag.empty && tag.local == "coord" && !AddCoord(text, tag.end, points))
      return kRouteWrongFormat;
  }
  return Deliver(points, longitudes, latitudes);
}

// KML text: the coordinate-list reader when it finds its keywords, else the
// track reader.
int ReadKml(std::string text, std::vector<double>& longitudes, std::vector<double>& latitudes,
            bool& track) {
  track = !HasGeometryKeyword(text.c_str());
  if (!track) return ParseKmlRoute(std::move(text), longitudes, latitudes);
  return ReadKmlTrack(text, longitudes, latitudes);
}

// ---- KMZ ---------------------------------------------------------------------------

bool IsZip(const std::string& text) {
  return text.compare(0, 4, "PK\x03\x04") == 0 || text.compare(0, 4, "PK\x05\x06") == 0;
}

bool EndsWithKml(const char* name) {
  std::string_view view(name);
  if (view.size() < 4) return false;
  std::string_view tail = view.substr(view.size() - 4);
  return MatchPattern(".kml", 4, tail.data(), 4, kMatchNoCase) == 1;
}

// Deflate cannot expand one byte into more than this many; an entry that
// claims more is damaged (and must not make us allocate gigabytes).
constexpr std::uint64_t kDeflateMaxRatio = 1032;

// The KML text of an archive's doc.kml, else of its first .kml entry.
int UnpackKmz(const std::string& bytes, std::string& kml) {
  CZipFile zip;
  if (zip.OpenMemory(bytes.data(), bytes.size(), "KMZ") != CPackArchive::kErrNone) return kRouteWrongFormat;
  int index = zip.FindEntry("doc.kml");
  for (int i = 0; (index < 0 || zip.IsDirectory(index)) && i < zip.GetCount(); ++i)
    if (!zip.IsDirectory(i) && EndsWithKml(zip.GetName(i))) index = i;
  if (index < 0 || zip.IsDirectory(index)) return kRouteWrongFormat;

  const ZipEntry* entry = zip.GetEntry(index);
  std::uint64_t size = entry->uncompressedSize;
  if (size >= static_cast<std::uint64_t>(INT_MAX)) return kRouteNoMemory;
  // The sizes are as the directory claims them: data beyond the archive's
  // own bytes, or more output than deflate can make of it, is damage.
  if (entry->compressedSize > bytes.size()) return kRouteWrongFormat;
  if (size > std::uint64_t(entry->compressedSize) * kDeflateMaxRatio + 64) return kRouteWrongFormat;
  kml.resize(static_cast<std::size_t>(size));
  if (size == 0) return 0;
  if (zip.ExtractToMemory(index, &kml[0], static_cast<std::uint32_t>(size)) != CPackArchive::kErrNone)
    return kRouteWrongFormat;
  return 0;
}

int ParseAny(std::string text, std::vector<double>& longitudes, std::vector<double>& latitudes,
             RouteFormat& format) {
  bool track = false;
  if (IsZip(text)) {
    format = RouteFormat::kKmz;
    std::string kml;
    int unpacked = UnpackKmz(text, kml);
    if (unpacked < 0) return unpacked;
    text = std::string();
    int result = ReadKml(std::move(kml), longitudes, latitudes, track);
    format = track ? RouteFormat::kKmzTrack : RouteFormat::kKmz;
    return result;
  }
  if (RootElement(text) == "gpx") {
    format = RouteFormat::kGpx;
    return ReadGpx(text, longitudes, latitudes);
  }
  int result = ReadKml(std::move(text), longitudes, latitudes, track);
  format = track ? RouteFormat::kKmlTrack : RouteFormat::kKml;
  return result;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

const char* RouteFormatName(RouteFormat format) {
  switch (format) {
    case RouteFormat::kKml: return "KML";
    case RouteFormat::kKmlTrack: return "KML track";
    case RouteFormat::kKmz: return "KMZ";
    case RouteFormat::kKmzTrack: return "KMZ track";
    case RouteFormat::kGpx: return "GPX";
    case RouteFormat::kNone: break;
  }
  return "";
}

int ParseRoute(std::string text, std::vector<double>& longitudes, std::vector<double>& latitudes,
               RouteFormat* format) {
  longitudes.clear();
  latitudes.clear();
  RouteFormat found = RouteFormat::kNone;
  int result = kRouteNoMemory;
  try {
    if (text.size() < static_cast<std::size_t>(INT_MAX))
      result = ParseAny(std::move(text), longitudes, latitudes, found);
  } catch (const std::bad_alloc&) {
    result = kRouteNoMemory;
  }
  if (result < 1) {
    longitudes.clear();
    latitudes.clear();
  }
  if (format) *format = found;
  return result;
}

int ReadRoute(const char* path, std::vector<double>& longitudes, std::vector<double>& latitudes,
              RouteFormat* format) {
  longitudes.clear();
  latitudes.clear();
  if (format) *format = RouteFormat::kNone;
  std::int64_t size = GetFileSizeByName(path);
  if (size < 1) return kRouteNotOpened;
  if (size >= INT_MAX) return kRouteNoMemory;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
  if (!file) return kRouteNotOpened;
  std::string text;
  try {
    text.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    return kRouteNoMemory;
  }
  std::size_t got = std::fread(&text[0], 1, text.size(), file.get());
  file.reset();
  if (got == 0) return kRouteNotOpened;
  text.resize(got);  // a file that shrank meanwhile: what was there
  return ParseRoute(std::move(text), longitudes, latitudes, format);
}
