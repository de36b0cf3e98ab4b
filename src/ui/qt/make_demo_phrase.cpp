// cantora-make-phrase OUT.wav: writes the demonstration's example phrase as a
// 16-bit stereo WAV file (run by the build).
#include <cstdio>

#include "audiofile/staged_wav_file.h"
#include "demo_phrase.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: cantora-make-phrase OUT.wav\n");
    return 2;
  }
  const std::vector<std::int16_t> phrase = ui::makeDemoPhrase();
  audiofile::StagedWavFile file;
  if (!file.create(argv[1], 2, ui::DEMO_PHRASE_RATE) ||
      !file.write(phrase.data(), static_cast<std::uint32_t>(phrase.size() * 2)) || !file.commit()) {
    std::fprintf(stderr, "cantora-make-phrase: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
