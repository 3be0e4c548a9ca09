// The seam between the registry-key class and the platform: the handful of
// registry calls it needs, with the Windows calling conventions (error codes,
// the size-only query, ERROR_MORE_DATA). The Windows build passes them to the
// registry; the POSIX build keeps the same tree in a small file of its own
// (see registry_posix.cpp).
#pragma once
#include <cstdint>

namespace registry {

using Key = std::uintptr_t;  // 0 is "no key"

// The predefined roots, with their Windows handle values.
constexpr Key kClassesRoot = 0x80000000u;
constexpr Key kCurrentUser = 0x80000001u;
constexpr Key kLocalMachine = 0x80000002u;
constexpr Key kUsers = 0x80000003u;
constexpr Key kCurrentConfig = 0x80000005u;
constexpr Key kDynData = 0x80000006u;

// Value types.
constexpr std::uint32_t kTypeNone = 0;
constexpr std::uint32_t kTypeString = 1;       // REG_SZ
constexpr std::uint32_t kTypeBinary = 3;       // REG_BINARY
constexpr std::uint32_t kTypeDword = 4;        // REG_DWORD, little-endian
constexpr std::uint32_t kTypeMultiString = 7;  // REG_MULTI_SZ

// Windows error codes that callers look at.
constexpr long kSuccess = 0;
constexpr long kFileNotFound = 2;
constexpr long kAccessDenied = 5;
constexpr long kInvalidHandle = 6;
constexpr long kWriteFault = 29;
constexpr long kInvalidParameter = 87;
constexpr long kMoreData = 234;
constexpr long kNoMoreItems = 259;

// Opens an existing subkey (an empty or null name opens the key itself again).
long OpenKey(Key parent, const char* subKey, bool writable, Key* result);
// Opens a subkey, creating it and any missing keys on its way.
long CreateKey(Key parent, const char* subKey, Key* result);
long CloseKey(Key key);
// Like RegQueryValueExA: data may be null to ask for the size; a buffer that
// is too small gives kMoreData with the needed size in *size.
long QueryValue(Key key, const char* name, std::uint32_t* type, unsigned char* data, std::uint32_t* size);
long SetValue(Key key, const char* name, std::uint32_t type, const unsigned char* data, std::uint32_t size);
// Name of the index-th subkey; kNoMoreItems past the last one.
long EnumKey(Key key, std::uint32_t index, char* name, std::uint32_t nameSize);

// A batch gathers the changes made until its end into one write of the
// store. The POSIX file is locked and read at the start and written once,
// if anything changed, at the end; EndBatch gives that write's result.
// Batches nest: only the outermost end writes (inner ends give kSuccess).
// The Windows registry stores each value itself: there both are no-ops.
long BeginBatch();
long EndBatch();

// How many times this process has written the store file (always 0 with the
// Windows registry): the tests count the rewrites of a run with it.
std::uint32_t StoreWrites();

}  // namespace registry
