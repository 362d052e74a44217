#include "atomic_file.hpp"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <unistd.h>

#include <sys/stat.h>

namespace cli {

namespace {

// Temporary names an interrupt must remove. Plain char arrays: the signal
// handler may only call async-signal-safe functions such as unlink().
constexpr int kSlots = 4;
constexpr std::size_t kLongestPath = 4096;
char pending[kSlots][kLongestPath];
volatile std::sig_atomic_t slot_used[kSlots];

extern "C" void remove_pending_and_exit(int signal_number) {
    for (int slot = 0; slot < kSlots; ++slot)
        if (slot_used[slot]) unlink(pending[slot]);
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

void install_handlers_once() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal_number, remove_pending_and_exit);
}

int remember(const std::string &path) {
    if (path.size() >= kLongestPath) return -1;
    for (int slot = 0; slot < kSlots; ++slot) {
        if (slot_used[slot]) continue;
        std::memcpy(pending[slot], path.c_str(), path.size() + 1);
        slot_used[slot] = 1;
        return slot;
    }
    return -1;
}

void forget(int slot) {
    if (slot >= 0) slot_used[slot] = 0;
}

// mkstemp() makes the file private (0600); an output file gets the usual
// permissions instead.
void give_usual_permissions(int descriptor) {
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
}

std::string temporary_name_for(const std::string &target) {
    const std::size_t slash = target.rfind('/');
    const std::string directory = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    return directory + "." + name + ".partial-XXXXXX";
}

} // namespace

AtomicFile::~AtomicFile() {
    discard();
}

bool AtomicFile::open(const std::string &target) {
    install_handlers_once();
    target_ = target;
    temporary_ = temporary_name_for(target);
    const int descriptor = mkstemp(temporary_.data());
    if (descriptor < 0) {
        temporary_.clear();
        return false;
    }
    slot_ = remember(temporary_);
    give_usual_permissions(descriptor);
    stream_ = fdopen(descriptor, "w");
    if (stream_ == nullptr) {
        const int saved = errno;
        close(descriptor);
        discard();
        errno = saved;
        return false;
    }
    return true;
}

bool AtomicFile::commit() {
    if (stream_ == nullptr) return false;
    errno = 0;
    const bool written = std::fflush(stream_) == 0 && !std::ferror(stream_);
    int saved = errno;
    const bool closed = std::fclose(stream_) == 0;
    if (saved == 0) saved = errno;
    stream_ = nullptr;
    if (!written || !closed || std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        if (saved == 0) saved = errno;
        discard();
        errno = saved != 0 ? saved : EIO;
        return false;
    }
    forget(slot_);
    slot_ = -1;
    temporary_.clear();
    return true;
}

void AtomicFile::discard() {
    if (stream_ != nullptr) std::fclose(stream_);
    stream_ = nullptr;
    if (!temporary_.empty()) unlink(temporary_.c_str());
    forget(slot_);
    slot_ = -1;
    temporary_.clear();
}

} // namespace cli
