// Registro: the one place where the system writes diagnostics. Each call
// sanitises the message, stamps it (local time, consumer tag, pid, tid) and
// appends it as one line to C:\ProgramData\Norva\camera-fonte.log. It never
// fails towards the caller, takes no lock and keeps nothing between calls.
#pragma once

#include <string_view>

namespace norva {

struct Registro {
  // `mensagem`: the finished UTF-8 message, without line break or prefix,
  // borrowed for the call. Every failure (folder, file, disk, and running
  // out of memory for the line itself) loses the line and nothing else: no
  // exception leaves, and the hosting process is never ended for a
  // diagnostic.
  static void escrever(std::string_view mensagem) noexcept;
};

}  // namespace norva
