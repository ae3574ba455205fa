#pragma once
// The video view and sound output a client handle owns. This library never feeds them: the view
// is prepared for a window on start and released on stop, the sound slots stay empty. Linux
// builds keep the life cycle without a graphics or sound back end.

#include <cstdint>

// CVideoView: presentation surfaces of one client's video window.
class CVideoView {
 public:
  virtual ~CVideoView();

  // Only when the view has no window yet and a window is given.
  void prepare(void* window);
  // Releases the device and surfaces and forgets the window.
  void release();
  // New surfaces of w x h (both above 0), centred in the window.
  void setVideoSize(int width, int height);
  // Releases everything, prepares for the new window and re-creates the surfaces.
  void changeWindow(void* window);

  void* window() const { return window_; }
  bool hasDevice() const { return device_ != nullptr; }

 private:
  void* window_ = nullptr;
  void* device_ = nullptr;  // no back end on this platform: stays null
  int width_ = 0;
  int height_ = 0;
};

// QorSound: sound output slots of one client.
class QorSound {
 public:
  virtual ~QorSound();

  // Stops and rewinds the buffer when one exists, then releases the slots.
  void stop();
  // Applies a level in hundredths of a decibel when a buffer exists.
  void setLevel(std::int32_t level);

  std::int32_t level() const { return level_; }
  bool hasBuffer() const { return buffer_ != nullptr; }

 private:
  void* buffer_ = nullptr;  // never filled by this library
  std::int32_t level_ = 0;
};
