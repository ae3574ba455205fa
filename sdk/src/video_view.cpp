#include "video_view.h"

CVideoView::~CVideoView() {
  release();
}

void CVideoView::prepare(void* window) {
  if (window_ || !window) return;
  window_ = window;
  // A Direct3D back end creates its device here; without one the view stays without a device,
  // as after a failed creation.
}

void CVideoView::release() {
  device_ = nullptr;
  window_ = nullptr;
}

void CVideoView::setVideoSize(int width, int height) {
  if (width <= 0 || height <= 0) return;
  width_ = width;
  height_ = height;
}

void CVideoView::changeWindow(void* window) {
  release();
  prepare(window);
  setVideoSize(width_, height_);
}

QorSound::~QorSound() {
  stop();
}

void QorSound::stop() {
  buffer_ = nullptr;
}

void QorSound::setLevel(std::int32_t level) {
  if (buffer_) level_ = level;
}
