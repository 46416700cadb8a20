// What the files of the main window share: the guarded step and the texts of more than one page.
#pragma once

#include <exception>

#include "app/tform1.h"
#include "form/number_text.h"

namespace velmor {

inline constexpr const char* kNoEntry = "Не найдено ни одного подключения.";

// A step of a handler: an error it raises is shown and the handler goes on.
template <class F>
void TForm1::guarded(F&& step) {
    try {
        step();
    } catch (const ProfileWriteError& e) {
        // A settings file that cannot be written is said once; its changes wait in memory and
        // every later save tries again. Once one gets through, a new failure is said again.
        if (!writeErrorShown_) showError(withFullStop(e.what()));
        writeErrorShown_ = true;
        return;
    } catch (const std::exception& e) {
        showError(withFullStop(e.what()));
    }
    if (writeErrorShown_ && profile_ && !profile_->dirty()) writeErrorShown_ = false;
}

}  // namespace velmor
