#include "pages/password_file.h"

#include <thread>

#include "device/board.h"
#include "gbk.h"
#include "wire.h"

namespace tav {

std::array<std::uint8_t, kFileDescriptorSize> FileWriteDescriptor(std::string_view path,
                                                                  std::size_t textLength) {
  std::array<std::uint8_t, kFileDescriptorSize> d{};
  qor::putU32(d, 0, static_cast<std::uint32_t>(kFileDescriptorSize + textLength));
  qor::putU32(d, 4, static_cast<std::uint32_t>(textLength));
  qor::putU32(d, 12, 4);
  qor::putText(d, 16, kFilePathWidth, path);
  return d;
}

std::string LoginFileText(std::string_view user, std::string_view password) {
  std::string text = "username=";
  text += user;
  text += "\npasswd=";
  text += password;
  text += "\n";
  return text;
}

std::optional<std::string> CredentialBytes(std::string_view utf8) {
  if (utf8.find_first_of(std::string_view("\n\r=\0", 4)) != std::string_view::npos)
    return std::nullopt;
  std::string gbk = qor::utf8ToGbk(utf8);
  if (qor::gbkToUtf8(gbk) != utf8) return std::nullopt;
  return gbk;
}

FileAnswerVerdict PasswordAnswerVerdict(qor::Bytes a) {
  FileAnswerVerdict v;
  if (a.size() < kFileAnswerSize) {
    v.kind = FileAnswerKind::Short;
    v.message = "更改密码失败(0返回接受长度太小)";
    return v;
  }
  if (!qor::hasHead(a, kFileAnswerCommand) || qor::getU32(a, 4) != 12 ||
      qor::getU32(a, 8) != kFileWriteCommand) {
    v.kind = FileAnswerKind::Garbled;
    v.message = "更改密码失败(1返回接受内容有误)";
    return v;
  }
  v.code = qor::getI32(a, 12);
  switch (v.code) {
    case 0:
      v.kind = FileAnswerKind::Failed;
      v.message = "更改密码失败(2返回值表示失败)";
      break;
    case 1:
    case 3:
      v.kind = FileAnswerKind::Done;
      v.message = "更改密码成功。\n请重新启动。";
      break;
    case 2:
      v.kind = FileAnswerKind::Failed;
      v.message = "更改密码失败(3返回值表示失败)";
      break;
    case 4:
      v.kind = FileAnswerKind::Failed;
      v.message = "删除升级失败(4返回值表示失败)";
      break;
    case 5:
      v.kind = FileAnswerKind::Done;
      v.message = "删除文件升级成功";
      break;
    default:
      v.kind = FileAnswerKind::Unknown;
      v.message = "更改密码失败(5返回值未知)";
      break;
  }
  return v;
}

void PasswordSettings::Load(int deviceType) {
  form = PasswordForm{};
  form.enabled = !IsEncoderType(deviceType);
}

PasswordResult PasswordSettings::Write(std::uint32_t address, std::string_view user,
                                       std::string_view password) {
  PasswordResult result;
  auto userBytes = CredentialBytes(user);
  auto passwordBytes = CredentialBytes(password);
  if (!userBytes || !passwordBytes) {
    result.status = PasswordStatus::Refused;
    return result;
  }
  const std::string text = LoginFileText(*userBytes, *passwordBytes);
  const auto descriptor = FileWriteDescriptor(kLoginFilePath, text.size());
  std::array<std::uint8_t, 4> head{};
  qor::putHead(head, kFileWriteCommand);

  const auto deadline = std::chrono::steady_clock::now() + limits.overall;
  auto stream =
      link_.open(address, kFileWritePort, StreamLimits{limits.connectWait, limits.overall});
  if (!stream || !stream->connected()) {
    result.status = PasswordStatus::NoConnection;
    return result;
  }
  auto pause = [&] {
    if (sleep)
      sleep(limits.pause);
    else
      std::this_thread::sleep_for(limits.pause);
  };
  // Three pieces on one connection. A failed send leaves nothing to wait for.
  const bool sent =
      stream->sendAll(head, limits.ioTimeout) && stream->sendAll(descriptor, limits.ioTimeout) &&
      stream->sendAll(qor::Bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                      limits.ioTimeout);
  std::array<std::uint8_t, kFileAnswerSize> answer{};
  long got = 0;
  if (sent) {
    while (result.attempts < kFileAnswerAttempts) {
      if (result.attempts > 0 && std::chrono::steady_clock::now() >= deadline) break;
      pause();
      ++result.attempts;
      got = stream->receive(answer, answer.size(), limits.ioTimeout);
      if (got > 0) break;
    }
  }
  result.verdict = PasswordAnswerVerdict(qor::Bytes(answer).first(got > 0 ? std::size_t(got) : 0));
  result.status = result.verdict.ok() ? PasswordStatus::Done : PasswordStatus::Failed;
  return result;
}

PasswordResult PasswordSettings::Change(std::uint32_t address) {
  if (!form.enabled) return PasswordResult{PasswordStatus::Refused, {}, 0};
  PasswordResult result = Write(address, form.user, form.password);
  switch (result.status) {
    case PasswordStatus::Refused:
      notifier_.message(kCredentialRefused, NoticeIcon::Warning);
      break;
    case PasswordStatus::NoConnection:
      notifier_.message(kPasswordConnectError, NoticeIcon::Error);
      notifier_.log(kPasswordConnectError);
      break;
    case PasswordStatus::Done:
    case PasswordStatus::Failed:
      notifier_.message(result.verdict.message,
                        result.verdict.ok() ? NoticeIcon::Information : NoticeIcon::Error);
      notifier_.log(result.verdict.message);
      break;
  }
  return result;
}

}  // namespace tav
