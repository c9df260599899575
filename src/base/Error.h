#pragma once
// The one exception type of the core. A platform failure that a probe does not catch travels as
// this; menu handlers catch what escapes and show its message.
#include <stdexcept>
#include <string>

namespace mrv {

class MrvError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace mrv
