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
    } catch (const std::exception& e) {
        showError(withFullStop(e.what()));
    }
}

}  // namespace velmor
