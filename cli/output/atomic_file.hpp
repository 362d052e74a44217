// An output file that appears whole or not at all: it is written under a
// temporary name in the same directory and renamed over the target by
// commit(). Without commit() (a failure, an exception, Ctrl-C or another
// terminating signal) the temporary file is removed. A symbolic link is
// followed (its target is replaced, the link stays), a replaced file keeps
// its permissions, and a character device or FIFO is written to directly.
#pragma once

#include <cstdio>
#include <string>

namespace cli {

class AtomicFile {
  public:
    AtomicFile() = default;
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;
    ~AtomicFile();

    // Creates the temporary file; false (with errno) when that fails.
    bool open(const std::string &target);
    std::FILE *stream() const { return stream_; }
    // Flushes, closes and renames; false (with errno) when any step fails,
    // and then the temporary file is gone.
    bool commit();

  private:
    void discard();

    std::string target_;
    std::string temporary_;
    std::FILE *stream_ = nullptr;
    bool direct_ = false; // writing straight into a device or FIFO
    int slot_ = -1;       // in the table the interrupt handler cleans up
};

} // namespace cli
