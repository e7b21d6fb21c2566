// The one error type of the media layer: what failed and why, in a line.
#pragma once

#include <stdexcept>
#include <string>

namespace media {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace media
