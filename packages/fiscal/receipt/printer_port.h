#pragma once
// Sending a print job to the receipt printer's port (CDPORTAIMPNF6):
//   - a device path, such as "/dev/usb/lp0" or "/dev/ttyS0" (the port's own settings apply);
//   - "COMn" or "LPTn", as registers set up on Windows name them: /dev/ttyS(n-1), /dev/lp(n-1);
//   - "tcp:HOST:PORT" or "tcp:HOST" (port 9100): a raw connection to a network printer;
//   - "file:PATH": the bytes are appended to a file, for printers shared through a spooler folder;
//     a relative PATH is relative to the program directory (the port has room for 15 characters).
// The call never waits longer than `limite` for the connection and the writing together: a
// printer that does not take the job within it counts as unreachable.

#include <chrono>
#include <string>

namespace VyrFiscal::Cupom {

inline constexpr std::chrono::milliseconds kLimiteImpressora{5000};

// Sends `bytes` to `porta`. Raises rtl::Exception naming the port when the port is empty or of
// an unknown form, cannot be opened or reached, refuses the bytes, or does not take them all
// within `limite`.
void EnviaParaImpressora(const std::string& porta, const std::string& bytes,
                         std::chrono::milliseconds limite = kLimiteImpressora);

}  // namespace VyrFiscal::Cupom
