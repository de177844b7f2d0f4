// Seeking a recording moves its current track of each media type in turn:
// a lead track goes to the requested time and the others follow to the time
// it reached. Shared by the container readers.
#ifndef KRNSTREAM_SEEK_STEPS_H
#define KRNSTREAM_SEEK_STEPS_H

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

struct SeekStep {
  int type;  // media type 1..3
  int mode;  // the reader's positioning mode
  bool lead;
};

// current[type]: the current track of each media type (null when none).
// position(track, time&, mode) moves one track and writes back the time it
// reached; save(track)/restore(track, saved) keep and put back its read
// position. When one track fails, those already moved go back and the seek
// fails. The lead's reached time (else the first track's) is written back.
template <typename Track, typename Position, typename Save, typename Restore>
bool seekInTurn(Track *const *current, uint32_t *time, const SeekStep *steps, size_t count,
                Position position, Save save, Restore restore) {
  std::vector<std::pair<Track *, decltype(save(*current[1]))>> undo;
  bool leadDone = false, any = false;
  uint32_t leadTime = *time, firstTime = *time;
  for (size_t i = 0; i < count; ++i) {
    Track *t = current[steps[i].type];
    if (!t) continue;
    uint32_t at = steps[i].lead || !leadDone ? *time : leadTime;
    undo.emplace_back(t, save(*t));
    if (!position(*t, at, steps[i].mode)) {
      for (auto it = undo.rbegin(); it != undo.rend(); ++it) restore(*it->first, it->second);
      return false;
    }
    if (!any) firstTime = at;
    any = true;
    if (steps[i].lead) {
      leadTime = at;
      leadDone = true;
    }
  }
  if (any) *time = leadDone ? leadTime : firstTime;
  return any;
}

#endif
