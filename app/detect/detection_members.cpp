// The detection members of CBoard and CBoardCtrl: thin calls into the detection engine.

#include "detect/detection.h"
#include "device/board.h"
#include "device/board_list.h"

int CBoard::StartDetection() {
  return tav::StartBoardDetection(*this);
}

int CBoard::GetDetectionStatistics(std::string& address, std::uint32_t& total, std::uint32_t& video,
                                   std::uint32_t& audio) {
  tav::StreamRates rates;
  int result = tav::BoardDetectionStatistics(*this, address, rates);
  total = rates.total;
  video = rates.video;
  audio = rates.audio;
  return result;
}

int CBoard::StopDetection() {
  return tav::StopBoardDetection(*this);
}

int CBoardCtrl::StartAllDetection() {
  return lines_.Start(*this);
}

int CBoardCtrl::GetLineStatistics(int line, std::string& address, std::uint32_t& total,
                                  std::uint32_t& video, std::uint32_t& audio) {
  tav::StreamRates rates;
  int result = lines_.Statistics(line, address, rates);
  total = rates.total;
  video = rates.video;
  audio = rates.audio;
  return result;
}

int CBoardCtrl::StopAllDetection() {
  return lines_.Stop();
}

bool CBoardCtrl::IsDetectionRunning() const {
  return lines_.Running();
}

int CBoardCtrl::DiagnoseLinks(tav::Notifier& notifier) const {
  return tav::DiagnoseLinks(*this, notifier);
}
