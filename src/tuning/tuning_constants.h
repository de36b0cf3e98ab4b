// Fixed values of the pitch correction engine: sizes, the detector's limits and
// the texts the readout shows.
#pragma once

namespace tuning {

inline constexpr int SAMPLE_RATE = 44100;
inline constexpr int PITCH_CLASSES = 12;

// The tuning run's frame: N = 4096, analysed every hopSize = 1024 samples.
inline constexpr int TUNING_FRAME_SIZE = 4096;
inline constexpr int TUNING_BLOCK = TUNING_FRAME_SIZE / 4;
// An input sample comes out of the engine this many samples later, whatever the
// pitch ratio: a grain is cut around the snapshot's centre, N/2 - 1 samples
// behind the newest input, and laid N/2 samples ahead of the read point.
inline constexpr int TUNING_LATENCY = TUNING_FRAME_SIZE - 1;
// The tuned region is cross-faded with the untouched track over this many
// frames (5 ms) at each edge, so the seams stay continuous.
inline constexpr int TUNING_EDGE_FADE = 220;

// The readout analyses at most one second, in a frame of 1024 to 65536 points.
inline constexpr int READOUT_MAX_FRAMES = 44100;
inline constexpr int READOUT_MIN_FRAME_SIZE = 1024;
inline constexpr int READOUT_TEXT_SIZE = 64;
// The Grace the readout's engine is built with (it only analyses).
inline constexpr float READOUT_GRACE = 40.0f;

// Detector constants, in the single precision the engine keeps them in.
inline constexpr float REFERENCE_FREQUENCY = 440.0f;
inline constexpr float VOICING_THRESHOLD = 0.8f;
inline constexpr double HIGHEST_PITCH_HZ = 700.0;
inline constexpr double LOWEST_PITCH_HZ = 70.0;
inline constexpr double TWO_PI_SINGLE = 6.2831854820251465;   // 2*pi as a float
inline constexpr double FOUR_PI_SINGLE = 12.566370964050293;  // 4*pi as a float
inline constexpr double PI_SINGLE = 3.1415927410125732;       // pi as a float
inline constexpr double LOG2_OF_10 = 3.321928024291992;       // log2(10) as a float
inline constexpr float MIN_WINDOW_CORRELATION = 1e-6f;

// The shortest lag whose (interpolated) autocorrelation peak reaches this share
// of the highest one is the period. Steady sawtooth, square, band-limited
// sawtooth and weak-fundamental tones over 70..700 Hz all read right with any
// share from 0.7 to 0.97: above, the sharp one-period peak of a bright tone
// loses to its multiples; below, a strong second harmonic reads an octave up.
inline constexpr double LAG_PEAK_SHARE = 0.9;

// Grace is the time in milliseconds in which about 23/24 of a pitch difference
// is corrected: glide = 1 - (1/24)^(hop ms / Grace ms).
inline constexpr double GRACE_REMAINDER = 1.0 / 24.0;
// Until the first voiced frame, grains are cut every 10 ms.
inline constexpr double INITIAL_GRAIN_SECONDS = 0.01;
// Unvoiced stretches forget the last note with a half-life of 100 ms.
inline constexpr double MEMORY_HALF_LIFE_MS = 100.0;

inline constexpr const char* TEXT_OUT_OF_MEMORY = "Error - out of memory";
inline constexpr const char* TEXT_ENGINE_FAILED = "Error initializing tuning engine";
inline constexpr const char* TEXT_NO_PITCH = " ??? ";

}  // namespace tuning
