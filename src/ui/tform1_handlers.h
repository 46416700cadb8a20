// The main window's logic as the widgets' handlers.
#pragma once

#include "ui/form_handlers.h"

namespace velmor {

class TForm1;

class TForm1Handlers : public FormHandlers {
  public:
    explicit TForm1Handlers(TForm1& form) : form_(form) {}

#define VELMOR_OVERRIDE_HANDLER(name) void name() override;
    VELMOR_FORM_HANDLERS(VELMOR_OVERRIDE_HANDLER)
#undef VELMOR_OVERRIDE_HANDLER

    void PageLeft(int page, int inner) override;
    void capplistChange(int index, bool checked) override;
    void ListDrop(bool logins, int from, int to) override;
    void TimeEditDblClick(Edit& edit, UpDown& upDown, bool hour) override;
    void ClocksShown(bool shown) override;
    void GraphShown(bool shown) override;
    void tariffExit(NumberEdit& edit) override;
    bool Close() override;

  private:
    TForm1& form_;
};

}  // namespace velmor
