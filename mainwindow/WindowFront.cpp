#include "WindowFront.h"

#include <QProgressBar>

#include "shell/Pointer.h"

void WindowFront::ShowBusy(bool busy) {
  shell::SetMousePointer(window_, busy ? shell::kPointerHourglass : shell::kPointerDefault);
}

void WindowFront::CopyReaches(int percent, long, long) { progressBar_->setValue(percent); }

void WindowFront::CopyEnds(long) { progressBar_->setValue(0); }
