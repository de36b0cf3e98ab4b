// Fixed values of the pitch correction engine: sizes, the detector's limits and
// the texts the readout shows.
#pragma once

namespace tuning {

inline constexpr int SAMPLE_RATE = 44100;
inline constexpr int PITCH_CLASSES = 12;

// The tuning run's frame: N = 4096, analysed every hopSize = 1024 samples.
inline constexpr int TUNING_FRAME_SIZE = 4096;
inline constexpr int TUNING_BLOCK = TUNING_FRAME_SIZE / 4;

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

// A lag peak this close to the best one is taken when it is shorter: at large
// frame sizes the window hardly decays over a few periods, and the peak at two
// or three periods can beat the one at one period by a hair.
inline constexpr double LAG_PEAK_TOLERANCE = 0.998;

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
