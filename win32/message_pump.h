#ifndef ZELDRIUM_WIN32_MESSAGE_PUMP_H_
#define ZELDRIUM_WIN32_MESSAGE_PUMP_H_

// Letting the thread's messages through from inside a long piece of work on the window's thread,
// which starts no thread and no timer: the window, the host and the user are heard between two
// steps of the work.

#include <cstdint>

namespace win32 {

// Dispatches what was waiting when the call began, and no more: a message that posts itself
// again (or a stream of them) must not hold the work up. False when WM_QUIT was among them; it is
// posted again for the loop it was meant for, and the work should end.
bool LetWaitingMessagesThrough();

// The performance counter in microseconds, for telling when the next look at the messages is due.
int64_t NowMicros();

}  // namespace win32

#endif  // ZELDRIUM_WIN32_MESSAGE_PUMP_H_
