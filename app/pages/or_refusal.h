#pragma once
// What a page's checks make of its input: the thing to send, or why nothing is sent. A small
// expected<T, Reason>: `if (!plan) show(plan.refusal())`.

#include <utility>
#include <variant>

namespace tav {

template <typename Reason>
struct Refusal {
  Reason reason;
};
template <typename Reason>
Refusal<Reason> Refuse(Reason reason) {
  return {std::move(reason)};
}

template <typename T, typename Reason>
class OrRefusal {
 public:
  OrRefusal(T value) : v_(std::in_place_index<0>, std::move(value)) {}
  OrRefusal(Refusal<Reason> r) : v_(std::in_place_index<1>, std::move(r.reason)) {}

  bool has_value() const { return v_.index() == 0; }
  explicit operator bool() const { return has_value(); }
  const T& operator*() const { return std::get<0>(v_); }
  T& operator*() { return std::get<0>(v_); }
  const T* operator->() const { return &std::get<0>(v_); }
  T* operator->() { return &std::get<0>(v_); }
  // Only when refused.
  const Reason& refusal() const { return std::get<1>(v_); }

 private:
  std::variant<T, Reason> v_;
};

}  // namespace tav
