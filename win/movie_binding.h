// The binding to the optional movie framework: a loader that finds and binds its library, and forwarding
// entries that call the framework's dispatcher with a selector and the caller's arguments. While nothing
// is bound the entries reach a stand-by routine that answers OXW_QTML_NOT_BOUND. The state is process-wide
// and unguarded: the host calls from its main thread.
#pragma once

#include <cstdint>

namespace ox::win::movie {

// The framework library's file name and the three entries it must export.
inline constexpr char kLibraryName[] = "QuickTime.qts";

// Selectors of the framework functions called.
inline constexpr uint32_t kSelectorInitialize = 0x001D0008;
inline constexpr uint32_t kSelectorTerminate = 0x001D0009;
inline constexpr uint32_t kSelectorEnterMovies = 0x00020001;
inline constexpr uint32_t kSelectorExitMovies = 0x00020002;
inline constexpr uint32_t kSelectorVersionQuery = 0x00110001;
// What the version query is asked about.
inline constexpr uint32_t kVersionCode = 0x7174696D;  // 'qtim'

// The forwarding entries. initialize binds on the first call (later calls only count), terminate unbinds
// and unloads on the call that matches the first.
int16_t initialize(int32_t flags);
void terminate();
int16_t enter_movies();
void exit_movies();
int16_t version_query(uint32_t code, int32_t *answer);

// Successful initialisations not yet matched by a termination.
int32_t initialization_count();

}  // namespace ox::win::movie
