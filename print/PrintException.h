#pragma once

#include <stdexcept>
#include <string>

// The one exception of the printing code: raised inside a printing step and caught, traced
// and discarded by the operation that started the step. It carries the location number that
// names the failing step and the reason the system gave (CUPS, cairo or errno text).
class PrintException : public std::runtime_error {
  public:
    PrintException(int location, const std::string& reason);

    int location() const { return location_; }
    const std::string& reason() const { return reason_; }

  private:
    int location_;
    std::string reason_;
};

// Writes the trace line "print exception! <reason> (at <location>)". Any thread.
void tracePrintException(const PrintException& e);
