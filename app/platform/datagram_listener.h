#pragma once
// A UDP listener on the wildcard address that reports on which interface each datagram
// arrived, and takes everything waiting in batches (recvmmsg) into a queue, so a burst of
// thousands of answers leaves the socket buffer as fast as it came. A Windows build replaces
// datagram_listener.cpp (WSARecvMsg with IP_PKTINFO).

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace tav::platform {

// Datagrams taken off a socket, their bytes back to back in one buffer.
class DatagramQueue {
 public:
  struct Entry {
    std::uint32_t source = 0;     // sender's address, network order held little-endian
    unsigned interfaceIndex = 0;  // where it arrived; 0 when the system did not say
    std::size_t offset = 0;
    std::size_t size = 0;
  };

  void Push(std::span<const std::uint8_t> bytes, std::uint32_t source, unsigned interfaceIndex);
  // Moves every datagram of `other` to the end of this queue.
  void Append(DatagramQueue& other);
  std::size_t Size() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }
  const Entry& At(std::size_t i) const { return entries_[i]; }
  std::span<const std::uint8_t> Bytes(const Entry& e) const {
    return std::span<const std::uint8_t>(bytes_).subspan(e.offset, e.size);
  }
  void Clear() {
    entries_.clear();
    bytes_.clear();
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::vector<Entry> entries_;
};

class DatagramListener {
 public:
  DatagramListener();
  ~DatagramListener();
  DatagramListener(const DatagramListener&) = delete;
  DatagramListener& operator=(const DatagramListener&) = delete;

  // Binds 0.0.0.0:port, non-blocking, with the arrival interface reported, and asks for
  // `bufferBytes` of receive buffer (more than an unprivileged program may get: the granted
  // size is kept). False when the socket cannot be bound (the port is taken).
  bool Open(std::uint16_t port, int bufferBytes);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  // For readiness notifications; -1 when closed.
  int Fd() const { return fd_; }
  // Receive buffer the system granted, in bytes of payload it holds (0 when closed).
  int GrantedBufferBytes() const { return granted_; }

  // Waits up to `wait` for a datagram; true when one is waiting.
  bool WaitReadable(std::chrono::milliseconds wait) const;

  // From now until Close, a thread of the listener's own reads every datagram as it arrives,
  // so a caller busy for a while (a window painting ten thousand rows) loses nothing to a
  // full socket buffer. DrainInto then hands over what that thread has read.
  void ReceiveInBackground();

  // Moves every datagram waiting into `queue` without waiting, batch by batch, until the
  // socket is empty or `until` has passed (checked between batches). Returns how many.
  std::size_t DrainInto(DatagramQueue& queue, std::chrono::steady_clock::time_point until);

  static constexpr std::size_t kBatch = 64;           // datagrams per recvmmsg
  static constexpr std::size_t kMaxDatagram = 65536;  // any UDP datagram, whole

 private:
  struct Batch;
  std::size_t ReadWaiting(DatagramQueue& queue, std::chrono::steady_clock::time_point until);
  void StopReceiving();

  int fd_ = -1;
  int granted_ = 0;
  std::unique_ptr<Batch> batch_;
  // The background reader: its thread, the pipe that wakes it to stop, what it has read.
  std::thread reader_;
  int wake_[2] = {-1, -1};
  std::mutex takenLock_;
  DatagramQueue taken_;
};

}  // namespace tav::platform
