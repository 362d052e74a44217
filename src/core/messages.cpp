#include "core/messages.hpp"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "corvan.h"

namespace corvan::messages {

namespace {

// One handler per thread: a host (or a language binding) receives the
// messages of the calls it makes itself, without touching other threads or
// the process's file descriptors.
struct Handler {
    corvan_message_handler function = nullptr;
    void *context = nullptr;
};

thread_local Handler current;

std::FILE *c_stream(Stream stream) {
    return stream == Stream::out ? stdout : stderr;
}

// The formatted text handed to the handler. A message that cannot be
// formatted whole (no memory) arrives cut to the fixed buffer.
void deliver(Stream stream, const char *format, va_list arguments) {
    char fixed[256];
    va_list copy;
    va_copy(copy, arguments);
    const int length = std::vsnprintf(fixed, sizeof fixed, format, copy);
    va_end(copy);
    if (length < 0) return;
    char *text = fixed;
    char *grown = nullptr;
    if (static_cast<std::size_t>(length) >= sizeof fixed) {
        grown = static_cast<char *>(std::malloc(static_cast<std::size_t>(length) + 1));
        if (grown != nullptr) {
            std::vsnprintf(grown, static_cast<std::size_t>(length) + 1, format, arguments);
            text = grown;
        }
    }
    current.function(text, static_cast<int>(stream), current.context);
    std::free(grown);
}

} // namespace

void print(Stream stream, const char *format, ...) {
    va_list arguments;
    va_start(arguments, format);
    if (current.function == nullptr)
        std::vfprintf(c_stream(stream), format, arguments);
    else
        deliver(stream, format, arguments);
    va_end(arguments);
}

void line(Stream stream, const char *text) {
    if (current.function == nullptr) {
        std::fputs(text, c_stream(stream));
        std::fputc('\n', c_stream(stream));
        return;
    }
    print(stream, "%s\n", text);
}

} // namespace corvan::messages

extern "C" int corvan_set_message_handler(corvan_message_handler handler, void *context) {
    corvan::messages::current = {handler, handler != nullptr ? context : nullptr};
    return 0;
}

extern "C" int corvan_get_message_handler(corvan_message_handler *handler, void **context) {
    if (handler == nullptr || context == nullptr) return -1;
    *handler = corvan::messages::current.function;
    *context = corvan::messages::current.context;
    return 0;
}
