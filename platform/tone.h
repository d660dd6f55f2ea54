#pragma once

namespace satphase {

// Something that can sound a tone and blocks for its duration. The report
// takes one as a parameter, so that tests can record the tones and
// benchmarks can leave them out.
class Tone {
  public:
    Tone() = default;
    Tone(const Tone&) = default;
    Tone& operator=(const Tone&) = default;
    virtual ~Tone() = default;

    virtual void sound(int frequencyHz, int durationMs) = 0;
};

// The host's tone. On Windows the kernel's Beep; elsewhere the terminal bell
// on standard error, when that is a terminal, followed by a wait of the same
// duration. Standard output never sees a tone. A duration of 0 ms or less
// sounds nothing.
class HostTone final : public Tone {
  public:
    void sound(int frequencyHz, int durationMs) override;
};

// No sound and no wait.
class SilentTone final : public Tone {
  public:
    void sound(int /*frequencyHz*/, int /*durationMs*/) override {}
};

}  // namespace satphase
