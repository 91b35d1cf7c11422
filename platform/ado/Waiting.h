#pragma once
// What the program does while a provider waits on a server that has not answered yet: the front
// sets it to its event pump, so that the window repaints and can be closed meanwhile. Plain C++,
// so that any front (the windows, the command line) can set its own.
//
// The hook may throw to give the wait up (a command abandoned because its window closed). The
// provider then ends that connection at once, without waiting for anything more from the server,
// and lets the exception through.
#include <functional>

namespace ado {

void SetWaitHook(std::function<void()> hook);

// Called by a provider, again and again, while it waits. Does nothing when no hook is set.
void WhileWaiting();

}  // namespace ado
