#pragma once
// The system log: one line per message, to standard error by default as
// "<date> <process>[<pid>:<tid>] <message>", or to a sink that receives the bare message
// (tests capture the exact texts this way). Safe from any thread; lines never interleave.
#include <functional>

#include "platform/foundation/Types.h"

namespace fd {

using LogSink = std::function<void(const String& message)>;

void log(const String& message);
/// Replaces where messages go; an empty function restores standard error. Sinks are called
/// one message at a time and may log themselves.
void setLogSink(LogSink sink);

/// Formats with String::format and logs the result.
template <class... A> void NSLog(const String& format, const A&... args) { log(String::format(format, args...)); }

}  // namespace fd
