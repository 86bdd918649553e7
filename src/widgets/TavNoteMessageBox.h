#pragma once
// The program's message box: a captioned window with a message and up to four buttons (OK,
// Cancel, Yes, No, chosen by the bits of the box type) that returns the answer: 1, 2, 6 or 7.
// The close button and Escape answer 2; Enter answers with the leftmost button.
#include "TavNoteCaption.h"

#include <string>

class TavNoteMessageBox : public TavNoteCaption {
public:
    // width is 300 for nearly every message; height 120.
    TavNoteMessageBox(int type, std::wstring message, std::wstring title, int width = 300, int height = 120);

    void createControls() override;
    void layoutControls() override;
    void renderBackground() override;
    void onControl(int controlId) override;
    // Enter: the answer of the leftmost button.
    void accept() override;

    int type() const { return type_; }
    const std::wstring& message() const { return message_; }
    // Replaces the message and shows it at once.
    void setMessage(std::wstring message);
    // The button of a control id (20005 OK, 20006 Cancel, 20007 Yes, 20008 No).
    TavNoteBt* button(int controlId);
    // The buttons that exist, left to right on the screen.
    std::vector<TavNoteBt*> buttonsLeftToRight();

    // The message drawn with the default font family at 13 pixels (italic) into its own layer.
    TavMemDC renderMessage(const RECT& box);

private:
    TavNoteBt ok_;
    TavNoteBt cancel_;
    TavNoteBt yes_;
    TavNoteBt no_;
    int type_;
    std::wstring message_;
};

// The program's question before a file replaces another of the same name: "存在同名文件，是否覆盖？"
// with Yes and No over the owner; kNoteResultYes (6) or kNoteResultNo (7).
int askOverwriteFile(HWND owner);
