#include "core/index_stack.h"

#include <cassert>

namespace skyloom {

IndexStack::IndexStack(int capacity, int tag) : capacity_(capacity < 0 ? 0 : capacity), tag_(tag) {
  assert(tag != 0 && "IndexStack: a zero tag cannot be told apart from an empty pop");
  values_.reserve(static_cast<std::size_t>(capacity_));
}

void IndexStack::push(int value) {
  if (size() < capacity_) values_.push_back(value);
}

int IndexStack::pop(int& value) {
  if (values_.empty()) return 0;
  value = values_.back();
  values_.pop_back();
  return tag_;
}

}  // namespace skyloom
