// The user's named places (a summit, a hut, a village), each with a position
// and a catch radius: the location record and table, the "Locations.txt"
// file beside the program with its reader and writer, and the marking of the
// samples where a route passes a place.
//
// File format, one location per line, code page 1252, single line feeds:
//   "<name>"<TAB>%+3.6f longitude<TAB>%+3.6f latitude<TAB>%3.2f radius
// The reader is lenient (unquoted names, spaces as separators, bad numbers
// read as 0) so that hand-edited files load; the writer replaces the file
// only after the new content is completely on disk.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "core/profile_sampler.h"

struct Location {
  std::string name;         // never empty for a stored location
  double longitude = 0.0;   // degrees, east positive
  double latitude = 0.0;    // degrees, north positive
  double radius = 0.0;      // metres; a sample at most this far away passes
};

constexpr int kMaxLocations = 2048;
constexpr char kLocationsFileName[] = "Locations.txt";
// Longest line the reader takes (without its terminator); a longer line is
// skipped whole.
constexpr int kLocationLineLimit = 1023;
// Capacity of one field, terminator included: longer fields are cut to 1023.
constexpr int kLocationFieldCapacity = 1024;

// The locations that take part in an export run: a snapshot of the first
// kMaxLocations rows of the locations editor.
class CLocationTable {
 public:
  void Clear() { entries_.clear(); }
  // False (and nothing added) when the table is full.
  bool Add(const Location& location);
  int Count() const { return static_cast<int>(entries_.size()); }
  const Location& operator[](int index) const { return entries_[static_cast<std::size_t>(index)]; }
  const std::vector<Location>& Entries() const { return entries_; }

 private:
  std::vector<Location> entries_;
};

// ---- Reading ------------------------------------------------------------------

// One field of a line starting at text: blanks skipped; a field opened by a
// double quote runs to the next double quote on the line (a backslash before
// a double quote makes it literal), otherwise to the first control
// character, space, comma or semicolon. Returns the characters consumed.
int ReadLocationField(const char* text, std::string& field);

// A number of the file or of an editor cell: the longest decimal prefix after
// leading blanks, 0 when there is none; always with a point as separator.
double LocationTextToDouble(const char* text);

// Every location of a file's content in file order, no limit on the count.
// Lines whose name field is empty are skipped. A leading UTF-8 byte-order
// mark is skipped, and content that is UTF-8 beyond ASCII is read as such and
// converted to code page 1252 ("?" for characters it lacks).
std::vector<Location> ParseLocations(const std::string& content);
// The same for the file at path; nothing when it cannot be opened or read.
std::vector<Location> ReadLocationsFile(const std::string& path);

// ---- Writing ------------------------------------------------------------------

// The file line of one location, line feed included. A double quote inside
// the name is written with a backslash before it, which the reader turns
// back into the quote; line breaks inside the name become spaces and the
// name is cut so that the line stays within kLocationLineLimit; either would
// otherwise split the line and corrupt the location on the next read.
std::string FormatLocationLine(const Location& location);

// Writes one line per location with a name (in order) to a temporary file
// beside path and then puts it in path's place, so the old file survives
// anything that goes wrong before the new one is complete. False when the
// file could not be written or replaced; nothing is shown to the user.
bool WriteLocationsFile(const std::string& path, const std::vector<Location>& locations);

// ---- Matching -------------------------------------------------------------------

// Marks, for every pass of the route through a location's circle, the sample
// nearest to the location with the location's index (samples still at -1
// only, locations in table order); returns the number of marks. Two passes
// count apart only when at least max(count / 100, 3) consecutive samples
// between them lie outside the circle.
int MatchLocations(ProfileSample* samples, int count, const CLocationTable& table);
