#pragma once
// An error raised and not handled ends a run with the standard error report
// (see MessageBox.h). Every layer raises this type, or one derived from it,
// so the report can show the error's own text.
#include <stdexcept>
#include <string>

namespace platform {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace platform
