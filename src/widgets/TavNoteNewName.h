#pragma once
// The name prompt: a captioned window with one name field, OK and Cancel. OK with an empty field
// says "名字不能为空！" and keeps the prompt open; otherwise the name is kept, the validate hook
// decides, and the commit hook acts before the prompt closes with 1. Subclasses create or rename
// things in the hooks (the new-group and rename-group prompts of the manager).
#include "TavNoteCaption.h"
#include "TavNoteEdit.h"

#include <string>

class TavNoteNewName : public TavNoteCaption {
public:
    TavNoteNewName(std::wstring title, int width = 300, int height = 120);

    void createControls() override;
    void layoutControls() override;
    void modalStart() override;
    void onOk() override;
    bool placesAtOneThird() const override { return true; }

    // --- hooks, called in this order when OK is pressed with a name ---
    // Nonzero accepts the name.
    virtual int validateName(const std::wstring& name);
    virtual void commitName(const std::wstring& name);
    // Tells the user that the name is empty; the default runs the type 1 box over the prompt.
    virtual void reportEmptyName();

    const std::wstring& name() const { return name_; }
    TavNoteEdit& edit() { return edit_; }
    TavNoteBt& okButton() { return ok_; }
    TavNoteBt& cancelButton() { return cancel_; }

private:
    TavNoteEdit edit_;
    TavNoteBt ok_;
    TavNoteBt cancel_;
    std::wstring name_;
};
