#include "automation/program_dialog.h"

#include <algorithm>

#include "automation/command_line.h"

namespace velmor {

void TForm8::fill(const AppEntry& app) {
    Edit1 = app.description;
    Edit2 = app.path;
    Edit3 = app.titlePart;
    Edit4 = app.params;
    RadioGroup1 = std::clamp(app.runMethod, 0, 2);
    CheckBox1 = app.restart;
    CheckBox2 = app.mustKill;
}

void TForm8::Button1Click(UserInterface& ui) {
    const std::optional<std::string> chosen = ui.chooseFile(kProgramFilter);
    if (!chosen || chosen->empty()) return;
    Edit2 = *chosen;
    if (Edit1.empty()) {
        const auto slash = chosen->find_last_of('/');
        Edit1 = slash == std::string::npos ? *chosen : chosen->substr(slash + 1);
    }
}

bool TForm8::OkClick(std::string& error) {
    if (!splitParameters(Edit4).complete) {
        error = "В параметрах запуска не закрыта кавычка.";
        return false;
    }
    accepted_ = true;
    return true;
}

AppEntry TForm8::result() const {
    AppEntry app;
    app.path = Edit2;
    app.titlePart = Edit3;
    app.description = Edit1;
    app.restart = CheckBox1;
    app.runMethod = std::clamp(RadioGroup1, 0, 2);
    app.checked = true;
    app.mustKill = CheckBox2;
    app.params = Edit4;
    return app;
}

}  // namespace velmor
