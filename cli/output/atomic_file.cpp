// Output files that appear whole or not at all.
#include "output/atomic_file.hpp"

#include <cerrno>
#include <csignal>

#include <cstring>
#include <pthread.h>
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

// Every signal whose default action ends the process. One that was ignored
// when the program started (nohup, a background job's SIGINT) stays
// ignored: the caller asked for the program to survive it.
constexpr int kTerminatingSignals[] = {SIGINT,  SIGTERM, SIGHUP,  SIGQUIT, SIGUSR1,
                                       SIGUSR2, SIGALRM, SIGPIPE, SIGPROF, SIGVTALRM,
                                       SIGXCPU, SIGXFSZ, SIGPOLL};

void install_handlers_once() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (int signal_number : kTerminatingSignals) {
        struct sigaction current {};
        if (sigaction(signal_number, nullptr, &current) != 0) continue;
        if (current.sa_handler == SIG_IGN) continue;
        std::signal(signal_number, remove_pending_and_exit);
    }
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

// mkstemp() makes the file private (0600); a new output file gets the usual
// permissions instead, and a replaced one keeps its own.
void give_permissions(int descriptor, const struct stat *existing) {
    if (existing != nullptr) {
        fchmod(descriptor, existing->st_mode & 07777);
        return;
    }
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
}

std::string directory_of(const std::string &path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// The file a chain of symbolic links ends at (the path itself when it is no
// link), so that writing replaces the link's target, not the link. A link
// to a name that does not exist yet gives that name. False (ELOOP) for a
// chain that does not end.
bool follow_links(const std::string &path, std::string &resolved) {
    resolved = path;
    for (int step = 0; step < 40; ++step) {
        struct stat status {};
        if (lstat(resolved.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return true;
        std::string link(static_cast<std::size_t>(status.st_size) + 1, '\0');
        const ssize_t length = readlink(resolved.c_str(), link.data(), link.size());
        if (length < 0) return true;
        if (static_cast<std::size_t>(length) >= link.size()) continue; // grew meanwhile
        link.resize(static_cast<std::size_t>(length));
        resolved = link[0] == '/' ? link : directory_of(resolved) + link;
    }
    errno = ELOOP;
    return false;
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
    if (!follow_links(target, target_)) return false;
    struct stat existing {};
    const bool exists = stat(target_.c_str(), &existing) == 0;
    // A device or a FIFO is written to, never replaced by a file.
    if (exists &&
        (S_ISCHR(existing.st_mode) || S_ISFIFO(existing.st_mode) || S_ISSOCK(existing.st_mode))) {
        stream_ = std::fopen(target_.c_str(), "w");
        direct_ = stream_ != nullptr;
        return direct_;
    }
    temporary_ = temporary_name_for(target_);
    // A signal between creating the temporary file and registering it for
    // clean-up would leave the file behind: hold those signals meanwhile.
    sigset_t terminating, previous;
    sigemptyset(&terminating);
    for (int signal_number : kTerminatingSignals) sigaddset(&terminating, signal_number);
    pthread_sigmask(SIG_BLOCK, &terminating, &previous);
    const int descriptor = mkstemp(temporary_.data());
    if (descriptor >= 0) slot_ = remember(temporary_);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (descriptor < 0) {
        temporary_.clear();
        return false;
    }
    give_permissions(descriptor, exists && S_ISREG(existing.st_mode) ? &existing : nullptr);
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
    const bool renamed =
        direct_ || (written && closed && std::rename(temporary_.c_str(), target_.c_str()) == 0);
    if (!written || !closed || !renamed) {
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
