// Encodes one camera channel with the ffmpeg program: a test picture of its own per
// channel, with the channel name, the recording's date and time and the running time
// drawn on it; and for channel 1 optionally sound (a beep every second), AAC in ffmpeg's
// MP4 or raw 16-bit PCM in a file of its own. The result is read back into Tracks whose
// samples stay in ffmpeg's files.
#pragma once

#include "media.h"
#include "options.h"

#include <ctime>
#include <optional>
#include <string>

namespace samplegen {

struct EncodedChannel {
  Track video;
  std::optional<Track> audio;
};

// Label drawn on the picture and used as track name, e.g. "CH1 FRONT".
std::string channelLabel(int channel);

// `channel` counts from 1; `workFile` is where ffmpeg writes its MP4, `pcmWorkFile` where
// it writes raw PCM sound when `audioCodec` asks for PCM.
EncodedChannel encodeChannel(const Options &options, int channel, std::time_t start,
                             Codec audioCodec, const std::string &workFile,
                             const std::string &pcmWorkFile);

}  // namespace samplegen
