#pragma once
// A bounded stack of ints (free voice numbers and the like) with a tag value that pop answers.

#include <vector>

namespace skyloom {

class IndexStack {
 public:
  // tag must be non-zero: pop answers it for "got a value" and 0 for "empty".
  explicit IndexStack(int capacity, int tag = 1);

  // Ignored when the stack is full.
  void push(int value);
  // 0 when empty; otherwise the tag, with the top value removed into value.
  int pop(int& value);

  int size() const { return static_cast<int>(values_.size()); }
  int capacity() const { return capacity_; }
  bool empty() const { return values_.empty(); }
  int tag() const { return tag_; }

 private:
  int capacity_;
  int tag_;
  std::vector<int> values_;
};

}  // namespace skyloom
