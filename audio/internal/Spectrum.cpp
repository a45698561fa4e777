#include "audio/internal/Spectrum.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/tx.h>
}

namespace audio::detail {

namespace {

struct TTransform {
  AVTXContext* context = nullptr;
  av_tx_fn fn = nullptr;
  std::vector<float> window;
  float* input = nullptr;
  AVComplexFloat* output = nullptr;
  ~TTransform() {
    av_tx_uninit(&context);
    av_free(input);
    av_free(output);
  }
};

// One transform per size, shared: the visualisation asks 30 times a second
// and setting a transform up costs more than running it.
std::mutex transformMutex;
std::map<int, std::unique_ptr<TTransform>> transforms;

TTransform* TransformFor(int n) {
  auto& slot = transforms[n];
  if (!slot) {
    auto t = std::make_unique<TTransform>();
    float scale = 1.0f;
    if (av_tx_init(&t->context, &t->fn, AV_TX_FLOAT_RDFT, 0, n, &scale, 0) < 0) return nullptr;
    t->input = static_cast<float*>(av_malloc(sizeof(float) * (n + 2)));
    t->output = static_cast<AVComplexFloat*>(av_malloc(sizeof(AVComplexFloat) * (n / 2 + 1)));
    if (!t->input || !t->output) return nullptr;
    t->window.resize(n);
    for (int i = 0; i < n; ++i)
      t->window[i] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * M_PI * i / n));
    slot = std::move(t);
  }
  return slot.get();
}

}  // namespace

void ComputeSpectrum(const float* interleaved, size_t frames, int channels, int n, float* out) {
  ComputeSpectrumBins(interleaved, frames, channels, n, 0, n / 2, out);
}

void ComputeSpectrumBins(const float* interleaved, size_t frames, int channels, int n, int first, int count,
                         float* out) {
  first = std::clamp(first, 0, n / 2);
  const int end = first + std::clamp(count, 0, n / 2 - first);
  std::lock_guard lock(transformMutex);
  TTransform* t = TransformFor(n);
  if (!t) {
    for (int i = first; i < end; ++i) out[i] = 0.0f;
    return;
  }
  if (first == end) return;
  const size_t taken = std::min<size_t>(frames, static_cast<size_t>(n));
  const size_t missing = static_cast<size_t>(n) - taken;
  const float* src = interleaved + (frames - taken) * channels;
  const float perChannel = 1.0f / static_cast<float>(channels);
  for (size_t i = 0; i < missing; ++i) t->input[i] = 0.0f;
  for (size_t i = 0; i < taken; ++i) {
    float sum = 0.0f;
    for (int c = 0; c < channels; ++c) sum += src[i * channels + c];
    t->input[missing + i] = sum * perChannel * t->window[missing + i];
  }
  t->fn(t->context, t->output, t->input, sizeof(AVComplexFloat));
  // A sine of amplitude A centred on a bin gives |X| = A*n/4 under a Hann
  // window; 3/n maps full scale to 0.75, leaving room below 1.0.
  const float scale = 3.0f / static_cast<float>(n);
  for (int i = first; i < end; ++i)
    out[i] = std::hypot(t->output[i].re, t->output[i].im) * scale;
}

}  // namespace audio::detail
