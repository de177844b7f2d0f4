// Which libvlc audio output the front channel plays through: the platform's
// own sound server when one answers, the sound card otherwise, and the silent
// output on a machine with neither (a libvlc output with no device behind it
// would fail the whole player).
#ifndef VIEWER_PLAYBACK_AUDIOOUTPUT_H
#define VIEWER_PLAYBACK_AUDIOOUTPUT_H

#include <QByteArray>
#include <QList>

namespace AudioOutput {

// What the machine offers, as far as the choice is concerned.
struct Machine {
  bool soundServer = false;  // a PulseAudio (or PipeWire-Pulse) server socket
  bool soundCard = false;    // an ALSA card or a hand-made default device
};

// Looks at the environment and the file system of this machine.
Machine probe();

// The first of "pulse", "alsa" (each only when the machine has it) and
// "adummy" that libvlc offers; "adummy" when it offers none of them.
QByteArray choose(const QList<QByteArray> &available, const Machine &machine);

}  // namespace AudioOutput

#endif
