#pragma once
// The template chooser of the note menu's "选择模板...": a captioned window over the note holding
// the template page in its compact look. A double-clicked template is passed on to the note
// (50022, wParam = name, lParam = group), which takes its look, and the chooser closes.
#include <memory>
#include <string>

#include "TavNMiTpl.h"
#include "TavNoteCaption.h"

class TavNoteItem;

inline constexpr int kTemplateChooserId = 30209;

class TavNoteMenuSelTpl : public TavNoteCaption {
public:
    static constexpr int kContentWidth = 540;
    static constexpr int kContentHeight = 360;
    static constexpr double kScale = 0.4;

    // statePath: the settings file whose template group chosen last the chooser opens at.
    explicit TavNoteMenuSelTpl(std::wstring statePath, TavManagerDialogs dialogs = {});
    ~TavNoteMenuSelTpl() override;

    void createControls() override;
    void layoutControls() override;
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // The window told of the choice; by default the parent the chooser was opened over.
    void setTarget(HWND target) { target_ = target; }
    TavNMiTpl* page() { return page_.get(); }

private:
    RECT pageRect() const;

    std::wstring statePath_;
    TavManagerDialogs dialogs_;
    std::unique_ptr<TavNMiTpl> page_;
    HWND target_ = nullptr;
};

// "选择模板..." of a note: the chooser, run modally over the note.
void runTemplateChooser(TavNoteItem& note);
