// Cost, quality and lag of the resamplers the JACK driver could use between
// 44100 Hz and a 48000 Hz server: CPU time per second of stereo audio (both
// directions, in the driver's block sizes), the error left on a sine after a
// 44100 -> 48000 conversion, and the output each holds back while streaming
// (the latency it adds). Then the driver's own rate bridge, whole: what one
// second of audio through it costs, against the direct path's codec alone.
#include <samplerate.h>
#ifdef CANTORA_BENCH_HAVE_SOXR
#include <soxr.h>
#endif

#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "host/drivers/jack/rate_bridge.h"
#include "host/drivers/jack/sample_codec.h"

namespace {

constexpr double HOST_RATE = 44100.0;
constexpr double SERVER_RATE = 48000.0;
constexpr int CHANNELS = 2;
constexpr int SECONDS = 20;

// Converts interleaved stereo blocks; returns frames written.
using Convert = std::function<long(const float* in, long inFrames, float* out, long outCapacity)>;

struct Candidate {
  std::string name;
  std::function<Convert(double inRate, double outRate)> make;
};

Convert makeSrc(int type, double inRate, double outRate) {
  int error = 0;
  std::shared_ptr<SRC_STATE> state(src_new(type, CHANNELS, &error), src_delete);
  const double ratio = outRate / inRate;
  return [state, ratio](const float* in, long inFrames, float* out, long outCapacity) {
    long written = 0;
    while (inFrames > 0) {
      SRC_DATA d{};
      d.data_in = in;
      d.input_frames = inFrames;
      d.data_out = out + written * CHANNELS;
      d.output_frames = outCapacity - written;
      d.src_ratio = ratio;
      src_process(state.get(), &d);
      in += d.input_frames_used * CHANNELS;
      inFrames -= d.input_frames_used;
      written += d.output_frames_gen;
      if (d.input_frames_used == 0 && d.output_frames_gen == 0) break;
    }
    return written;
  };
}

#ifdef CANTORA_BENCH_HAVE_SOXR
Convert makeSoxr(unsigned long recipe, double inRate, double outRate) {
  soxr_error_t error = nullptr;
  const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  const soxr_quality_spec_t quality = soxr_quality_spec(recipe, 0);
  std::shared_ptr<soxr> state(
      soxr_create(inRate, outRate, CHANNELS, &error, &io, &quality, nullptr), soxr_delete);
  return [state](const float* in, long inFrames, float* out, long outCapacity) {
    size_t done = 0, produced = 0;
    soxr_process(state.get(), in, static_cast<size_t>(inFrames), &done, out,
                 static_cast<size_t>(outCapacity), &produced);
    return static_cast<long>(produced);
  };
}
#endif

// Runs `frames` of input through in blocks of `block`, returns the output.
std::vector<float> run(Convert& convert, const std::vector<float>& input, long block,
                       double ratio) {
  const long frames = static_cast<long>(input.size()) / CHANNELS;
  std::vector<float> output(static_cast<size_t>((frames * ratio + 4096) * CHANNELS));
  long written = 0;
  for (long at = 0; at < frames; at += block) {
    const long n = std::min(block, frames - at);
    const long capacity = static_cast<long>(output.size()) / CHANNELS - written;
    written +=
        convert(input.data() + at * CHANNELS, n, output.data() + written * CHANNELS, capacity);
  }
  output.resize(static_cast<size_t>(written * CHANNELS));
  return output;
}

std::vector<float> sine(double hz, double rate, long frames, double amplitude) {
  std::vector<float> v(static_cast<size_t>(frames * CHANNELS));
  for (long i = 0; i < frames; ++i)
    for (int c = 0; c < CHANNELS; ++c)
      v[i * CHANNELS + c] =
          static_cast<float>(amplitude * std::sin(2 * std::numbers::pi * hz * i / rate));
  return v;
}

// Error left after fitting a sine of the known frequency over the middle of
// channel 0, in dB below the signal.
double residualDb(const std::vector<float>& v, double hz, double rate) {
  const long frames = static_cast<long>(v.size()) / CHANNELS;
  const long from = frames / 4, to = 3 * frames / 4;
  double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
  for (long i = from; i < to; ++i) {
    const double w = 2 * std::numbers::pi * hz * i / rate;
    const double s = std::sin(w), c = std::cos(w), y = v[i * CHANNELS];
    ss += s * s;
    sc += s * c;
    cc += c * c;
    ys += y * s;
    yc += y * c;
  }
  const double det = ss * cc - sc * sc;
  const double a = (ys * cc - yc * sc) / det, b = (yc * ss - ys * sc) / det;
  double signal = 0, noise = 0;
  for (long i = from; i < to; ++i) {
    const double w = 2 * std::numbers::pi * hz * i / rate;
    const double fit = a * std::sin(w) + b * std::cos(w);
    signal += fit * fit;
    noise += (v[i * CHANNELS] - fit) * (v[i * CHANNELS] - fit);
  }
  return 10 * std::log10(noise / signal);
}

// How far the output lags behind the input while streaming in the driver's
// blocks: the largest shortfall of the frames written against input x ratio,
// in output frames. Output is time-aligned with the input, so this shortfall is
// the latency a resampler adds in a real-time path.
double holdbackFrames(Convert convert, double ratio, long block) {
  const long frames = 48000;
  std::vector<float> in(static_cast<size_t>(block * CHANNELS), 0.25f);
  std::vector<float> out(static_cast<size_t>((block * ratio + 8192) * CHANNELS));
  double worst = 0;
  long written = 0;
  for (long at = block; at <= frames; at += block) {
    written += convert(in.data(), block, out.data(), static_cast<long>(out.size()) / CHANNELS);
    worst = std::max(worst, at * ratio - static_cast<double>(written));
  }
  return worst;
}

// A host that converts like the driver does (float -> 32-bit and back) and
// plays a tone.
class ToneHost : public jackdriver::HostSide {
 public:
  explicit ToneHost(int frames) : frames_(frames), halves_(static_cast<size_t>(frames) * 4 * 2) {
    jackdriver::codecFor(18, codec_);
  }
  void hostBuffer(const float* const* in, float* const* out) override {
    for (int c = 0; c < 2; ++c) {
      codec_.encode(in[c], halves_.data() + c * frames_ * 4, frames_);
      codec_.decode(halves_.data() + c * frames_ * 4, out[c], frames_);
    }
  }

 private:
  int frames_;
  std::vector<unsigned char> halves_;
  jackdriver::SampleCodec codec_;
};

void benchBridge(double copyPerSecond) {
  const int period = 512;
  std::vector<float> in[2] = {std::vector<float>(period), std::vector<float>(period)};
  std::vector<float> out[2] = {std::vector<float>(period), std::vector<float>(period)};
  for (int i = 0; i < period; ++i)
    in[0][i] = in[1][i] = static_cast<float>(0.5 * std::sin(0.13 * i));
  const float* ins[2] = {in[0].data(), in[1].data()};
  float* outs[2] = {out[0].data(), out[1].data()};
  const int periods = static_cast<int>(SECONDS * SERVER_RATE / period);

  jackdriver::RateBridge bridge;
  bridge.configure(470, HOST_RATE, SERVER_RATE, period, 8192);
  ToneHost host(470);
  auto start = std::chrono::steady_clock::now();
  for (int k = 0; k < periods; ++k) bridge.process(ins, outs, period, host);
  const double bridged =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  // The direct path at 44100 Hz: the codec both ways, nothing else.
  ToneHost direct(period);
  start = std::chrono::steady_clock::now();
  const int directPeriods = static_cast<int>(SECONDS * HOST_RATE / period);
  for (int k = 0; k < directPeriods; ++k) direct.hostBuffer(ins, outs);
  const double plain =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  std::printf("%-28s %12.3f %12.1f   (underruns %llu, input latency %d, output lead %d frames)\n",
              "driver bridge 48000 Hz", bridged / SECONDS * 1000.0, bridged / copyPerSecond,
              static_cast<unsigned long long>(bridge.underruns()), bridge.inputLatency(),
              bridge.outputLatency());
  std::printf("%-28s %12.3f %12.1f\n", "driver direct 44100 Hz", plain / SECONDS * 1000.0,
              plain / copyPerSecond);
}

}  // namespace

int main() {
  std::vector<Candidate> candidates = {
      {"libsamplerate sinc best",
       [](double a, double b) { return makeSrc(SRC_SINC_BEST_QUALITY, a, b); }},
      {"libsamplerate sinc medium",
       [](double a, double b) { return makeSrc(SRC_SINC_MEDIUM_QUALITY, a, b); }},
      {"libsamplerate sinc fastest",
       [](double a, double b) { return makeSrc(SRC_SINC_FASTEST, a, b); }},
#ifdef CANTORA_BENCH_HAVE_SOXR
      {"soxr very high (28-bit)", [](double a, double b) { return makeSoxr(SOXR_VHQ, a, b); }},
      {"soxr high (20-bit)", [](double a, double b) { return makeSoxr(SOXR_HQ, a, b); }},
      {"soxr medium (16-bit)", [](double a, double b) { return makeSoxr(SOXR_MQ, a, b); }},
#endif
  };
  const long hostFrames = static_cast<long>(SECONDS * HOST_RATE);
  const auto music = sine(1000.0, HOST_RATE, hostFrames, 0.5);
  std::vector<float> copy(music.size());
  const auto copyStart = std::chrono::steady_clock::now();
  for (int k = 0; k < 20; ++k) std::copy(music.begin(), music.end(), copy.begin());
  const double copySeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - copyStart).count() / 20;

  std::printf("%-28s %12s %12s %10s %10s %10s\n", "resampler", "ms CPU/s", "x copy", "err 1k dB",
              "err 18k dB", "lag fr");
  for (auto& c : candidates) {
    Convert up = c.make(HOST_RATE, SERVER_RATE);
    Convert down = c.make(SERVER_RATE, HOST_RATE);
    const auto start = std::chrono::steady_clock::now();
    const auto atServer = run(up, music, 470, SERVER_RATE / HOST_RATE);
    (void)run(down, atServer, 512, HOST_RATE / SERVER_RATE);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    Convert up1 = c.make(HOST_RATE, SERVER_RATE);
    Convert up2 = c.make(HOST_RATE, SERVER_RATE);
    const double err1k =
        residualDb(run(up1, sine(1000.0, HOST_RATE, 88200, 0.5), 470, SERVER_RATE / HOST_RATE),
                   1000.0, SERVER_RATE);
    const double err18k =
        residualDb(run(up2, sine(18000.0, HOST_RATE, 88200, 0.5), 470, SERVER_RATE / HOST_RATE),
                   18000.0, SERVER_RATE);
    const double delay =
        holdbackFrames(c.make(HOST_RATE, SERVER_RATE), SERVER_RATE / HOST_RATE, 470) +
        holdbackFrames(c.make(SERVER_RATE, HOST_RATE), HOST_RATE / SERVER_RATE, 512);
    std::printf("%-28s %12.3f %12.1f %10.1f %10.1f %10.1f\n", c.name.c_str(),
                seconds / SECONDS * 1000.0, seconds / (copySeconds * 2), err1k, err18k, delay);
  }
  benchBridge(copySeconds * 2);
  std::printf(
      "(ms CPU/s: both directions, stereo, per second of audio; x copy: against copying the same "
      "samples;\n lag fr: frames both directions hold back, the latency they add)\n");
  return 0;
}
