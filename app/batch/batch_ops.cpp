#include "batch/batch_ops.h"

#include "device/board_link.h"
#include "device/datagrams.h"
#include "pages/record_pages.h"
#include "resources/string_table.h"

namespace tav::batch {
namespace {

bool IsBatchDecoder(int type) {
  return type == 2 || type == 4 || type == 21;
}

std::string BoardLine(const std::string& address, std::string_view text) {
  return "设备[" + address + "]:" + std::string(text);
}

// Everything goes out through one board link (the program's: the LAN's).
class LinkBatchSender final : public BatchSender {
 public:
  explicit LinkBatchSender(BoardLink& link) : link_(link) {}
  int RestartBoard(const CBoard& board) override { return tav::RestartBoard(board, link_); }
  int GroupRestart(std::int32_t target) override {
    return link_.broadcast(BuildGroupCommand(kCmdRestart, target, false));
  }
  int FactoryReset(const CBoard& board) override { return board.FactoryReset(link_); }
  int FactoryResetAll() override {
    return link_.broadcast(BuildGroupCommand(kCmdFactoryReset, kTargetAllBoards, true));
  }

 private:
  BoardLink& link_;
};

// Sends to each board in turn, reporting and logging each; false when stopped.
template <typename SendOne>
bool EachBoard(const std::vector<int>& indices, const CBoardCtrl& boards, int okText, int failText,
               Notifier& notifier, const BatchEvents& events, BatchRun& run, SendOne send) {
  const int count = static_cast<int>(indices.size());
  for (int i = 0; i < count; ++i) {
    if (events.stop && events.stop->load()) return false;
    const CBoard& board = boards.At(indices[i]);
    BoardProgress p;
    p.position = i + 1;
    p.count = count;
    p.boardIndex = indices[i];
    p.address = board.AddressText();
    p.result = send(board);
    p.text = BoardLine(p.address, str(p.result == 0 ? okText : failText));
    notifier.log(p.text);
    if (events.progress) events.progress(p);
    run.boards.push_back(std::move(p));
  }
  return true;
}

void Group(int result, int failText, Notifier& notifier, const BatchEvents& events, BatchRun& run) {
  BoardProgress p;
  p.position = p.count = 1;
  p.result = result;
  if (result != 0) {
    p.text = str(failText);
    notifier.log(p.text);
  }
  if (events.progress) events.progress(p);
  run.boards.push_back(std::move(p));
}

}  // namespace

const std::vector<BatchTreeItem>& BatchTreeItems() {
  static const std::vector<BatchTreeItem> items = {{235, BatchPage::SelectedList},
                                                   {230, BatchPage::Restart},
                                                   {231, BatchPage::FactoryReset},
                                                   {232, BatchPage::Upgrade},
                                                   {233, BatchPage::EncoderStatistics}};
  return items;
}

std::vector<int> BoardsFor(BatchButton button, const CBoardCtrl& boards,
                           const std::vector<int>& selected) {
  std::vector<int> out;
  switch (button) {
    case BatchButton::Selected:
      for (int i : selected)
        if (i >= 0 && i < boards.Count()) out.push_back(i);
      break;
    case BatchButton::Encoders:
      for (int i = 0; i < boards.Count(); ++i)
        if (boards.At(i).IsEncoder()) out.push_back(i);
      break;
    case BatchButton::Decoders:
      for (int i = 0; i < boards.Count(); ++i)
        if (IsBatchDecoder(boards.At(i).deviceType())) out.push_back(i);
      break;
    case BatchButton::All:
      break;
  }
  return out;
}

std::vector<SelectedRow> SelectedDeviceRows(const CBoardCtrl& boards,
                                            const std::vector<int>& selected) {
  std::vector<SelectedRow> rows;
  for (int i : BoardsFor(BatchButton::Selected, boards, selected)) {
    const CBoard& b = boards.At(i);
    rows.push_back({b.AddressText(), b.Name(), b.TypeName()});
  }
  return rows;
}

BatchSender& NetworkSender() {
  static LinkBatchSender sender(LanLink());
  return sender;
}

std::unique_ptr<BatchSender> MakeLinkSender(BoardLink& link) {
  return std::make_unique<LinkBatchSender>(link);
}

int BatchRun::failures() const {
  int n = 0;
  for (const auto& b : boards) n += b.result != 0;
  return n;
}

BatchRun RunBatchRestart(BatchButton button, const CBoardCtrl& boards,
                         const std::vector<int>& selected, BatchSender& sender, Notifier& notifier,
                         const BatchEvents& events) {
  BatchRun run;
  switch (button) {
    case BatchButton::Selected:
      run.stopped =
          !EachBoard(BoardsFor(button, boards, selected), boards, 193, 192, notifier, events, run,
                     [&](const CBoard& b) { return sender.RestartBoard(b); });
      break;
    case BatchButton::All:
      Group(sender.GroupRestart(kTargetAllBoards), 192, notifier, events, run);
      break;
    case BatchButton::Encoders:
      Group(sender.GroupRestart(kTargetEncoders), 192, notifier, events, run);
      break;
    case BatchButton::Decoders:
      Group(sender.GroupRestart(kTargetDecoders), 192, notifier, events, run);
      break;
  }
  notifier.log(str(kStrBatchRestartStarted));
  return run;
}

BatchRun RunBatchFactoryReset(BatchButton button, std::string_view user, std::string_view password,
                              const CBoardCtrl& boards, const std::vector<int>& selected,
                              BatchSender& sender, Notifier& notifier, const BatchEvents& events) {
  BatchRun run;
  if (!FactoryResetAllowed(user, password)) {
    notifier.message(str(kStrWrongUserOrPassword), NoticeIcon::Error);
    run.refused = true;
    return run;
  }
  if (button == BatchButton::All) {
    Group(sender.FactoryResetAll(), 198, notifier, events, run);
  } else {
    run.stopped = !EachBoard(BoardsFor(button, boards, selected), boards, 199, 198, notifier,
                             events, run, [&](const CBoard& b) { return sender.FactoryReset(b); });
  }
  notifier.log(str(kStrBatchResetStarted));
  return run;
}

}  // namespace tav::batch
