// The fixed calls' printed messages, delivered to the calling thread's
// message handler (corvan_set_message_handler) or, without one, printed to
// the C stream exactly as before.
#pragma once

namespace corvan::messages {

enum class Stream { out = 1, err = 2 };

// printf-style message on `stream` (the stream it would be printed on).
void print(Stream stream, const char *format, ...) __attribute__((format(printf, 2, 3)));

// puts-style: `text` and a newline.
void line(Stream stream, const char *text);

} // namespace corvan::messages
