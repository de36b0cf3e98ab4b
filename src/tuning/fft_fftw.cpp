// RealFft over FFTW3 in double precision: one real-to-complex plan made at
// construction over arrays the object owns.
#include <fftw3.h>

#include <mutex>
#include <new>

#include "tuning/fft_backends.h"

namespace tuning {

namespace {

// FFTW's planner keeps global state: making and destroying plans is not
// thread-safe, executing them is.
std::mutex& plannerMutex() {
  static std::mutex mutex;
  return mutex;
}

struct FftwFree {
  void operator()(double* p) const { fftw_free(p); }
};
using FftwArray = std::unique_ptr<double, FftwFree>;

FftwArray allocate(int count) {
  return FftwArray(static_cast<double*>(fftw_malloc(sizeof(double) * count)));
}

class FftwRealFft final : public RealFft {
 public:
  explicit FftwRealFft(int n) : RealFft(n), in_(allocate(n)), out_(allocate(2 * (n / 2 + 1))) {
    if (!in_ || !out_) return;
    std::lock_guard<std::mutex> lock(plannerMutex());
    // FFTW_ESTIMATE: planning must stay quick (an engine is made for every
    // readout) and must not touch the arrays; measured plans gained nothing
    // worth the planning time at these sizes (see bench/tuning).
    plan_ = fftw_plan_dft_r2c_1d(n, in_.get(), reinterpret_cast<fftw_complex*>(out_.get()),
                                 FFTW_ESTIMATE | FFTW_PRESERVE_INPUT);
  }
  ~FftwRealFft() override {
    if (plan_ == nullptr) return;
    std::lock_guard<std::mutex> lock(plannerMutex());
    fftw_destroy_plan(plan_);
  }

  bool ready() const { return plan_ != nullptr; }
  double* input() override { return in_.get(); }
  const double* spectrum() const override { return out_.get(); }
  void forward() override { fftw_execute(plan_); }

 private:
  FftwArray in_;
  FftwArray out_;
  fftw_plan plan_ = nullptr;
};

}  // namespace

std::unique_ptr<RealFft> makeFftwRealFft(int n) {
  std::unique_ptr<FftwRealFft> fft(new (std::nothrow) FftwRealFft(n));
  if (!fft || !fft->ready()) return nullptr;
  return fft;
}

}  // namespace tuning
