#pragma once
// CRightView15 (更改密码) without a display: the board's login file written over the file
// port 8060 (head "qor" + 0xE7, a 272-byte descriptor naming the target path, then the text),
// and the 16-byte answer turned into the page's message.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/board_link.h"
#include "device/notifier.h"
#include "le_bytes.h"

namespace tav {

inline constexpr std::uint16_t kFileWritePort = 8060;
inline constexpr std::uint8_t kFileWriteCommand = 0xE7;
inline constexpr std::uint8_t kFileAnswerCommand = 0xEA;
inline constexpr std::size_t kFileDescriptorSize = 272;
inline constexpr std::size_t kFileAnswerSize = 16;
inline constexpr std::size_t kFilePathWidth = kFileDescriptorSize - 16;
inline constexpr const char* kLoginFilePath = "/mnt/apps/configFile/login.ini";
inline constexpr int kFileAnswerAttempts = 9;

inline constexpr const char* kDefaultLoginUser = "admin";
inline constexpr const char* kDefaultLoginPassword = "tarvenol";
inline constexpr const char* kPasswordConnectError = "TCP连接错误";  // caption "Error"
// A user name or password that would break the login file's lines.
inline constexpr const char* kCredentialRefused =
    "用户名和密码不能包含换行符、回车符、“=”或空字符，也不能包含GBK以外的字符。";

// Total length (272 + text) at 0, text length at 4, 0 at 8, 4 at 12, the NUL-terminated path
// from 16, the rest 0.
std::array<std::uint8_t, kFileDescriptorSize> FileWriteDescriptor(std::string_view path,
                                                                  std::size_t textLength);
// "username=%s\npasswd=%s\n" with the two texts as given (GBK bytes).
std::string LoginFileText(std::string_view user, std::string_view password);
// The GBK bytes of a UTF-8 user name or password, or nothing when the text holds a line
// break, '=' or NUL, or a character GBK cannot hold (it would be sent changed).
std::optional<std::string> CredentialBytes(std::string_view utf8);

// How the board's answer ended.
enum class FileAnswerKind {
  Short,    // fewer than 16 bytes (nothing came)
  Garbled,  // not "qor" + 0xEA, 12, 0xE7
  Failed,   // codes 0, 2, 4
  Done,     // codes 1, 3, 5
  Unknown,  // any other code
};

struct FileAnswerVerdict {
  FileAnswerKind kind = FileAnswerKind::Short;
  std::int32_t code = 0;  // when the answer was whole
  std::string message;    // the page's text
  bool ok() const { return kind == FileAnswerKind::Done; }
};

FileAnswerVerdict PasswordAnswerVerdict(qor::Bytes answer);

struct PasswordForm {
  std::string user = kDefaultLoginUser;          // edit 1119
  std::string password = kDefaultLoginPassword;  // edit 1120
  bool enabled = true;                           // edits and button; off for encoder-kind boards
};

enum class PasswordStatus { Done, Refused, NoConnection, Failed };

struct PasswordResult {
  PasswordStatus status = PasswordStatus::Failed;
  FileAnswerVerdict verdict;  // when the exchange ran
  std::size_t attempts = 0;   // receive attempts made
};

struct PasswordLimits {
  Millis connectWait{5000};
  Millis ioTimeout{5000};
  Millis pause{1000};     // before the first receive and between attempts
  Millis overall{60000};  // the whole write, from the connect on
};

class PasswordSettings {
 public:
  PasswordSettings(BoardLink& link, Notifier& notifier) : link_(link), notifier_(notifier) {}

  PasswordForm form;
  PasswordLimits limits;
  // The pauses between receive attempts; tests make them instant.
  std::function<void(Millis)> sleep;

  // The page opens with the default login; only decoder-kind boards may change it.
  void Load(int deviceType);
  // "更改密码": writes the login file and shows the answer's message.
  PasswordResult Change(std::uint32_t address);
  // The exchange alone (no message), for tavctl: user and password as UTF-8.
  PasswordResult Write(std::uint32_t address, std::string_view user, std::string_view password);

 private:
  BoardLink& link_;
  Notifier& notifier_;
};

}  // namespace tav
