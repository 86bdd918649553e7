#pragma once
// The two lowest classes of the framework: an object with an id and a name that can keep itself
// in its own XML file, and an object bound to a platform window that it has subclassed.
#include <windows.h>

#include <string>
#include <vector>

class XmlDocument;

class TavObject {
public:
    TavObject();
    virtual ~TavObject();
    TavObject(const TavObject&) = delete;
    TavObject& operator=(const TavObject&) = delete;

    // The object's own storage file; "" when it keeps nothing.
    virtual std::wstring GetFilePath();
    // Opens the object's file in `doc`, creating the file and the object's top-level element
    // (holding an "ID" element) when they are missing. 0 when the object has no file.
    virtual int OpenDocument(XmlDocument& doc);
    virtual void reservedOperation();
    // Advance with findElement(element) until that element's `attribute` equals `value`.
    virtual bool findElementByText(XmlDocument& doc, const wchar_t* element, const wchar_t* attribute,
                                   const std::wstring& value);
    virtual bool findElementByNumber(XmlDocument& doc, const wchar_t* element, const wchar_t* attribute,
                                     int value);
    // Advance with findElement(element) until that element's character data equals `value`.
    virtual bool findElementByData(XmlDocument& doc, const wchar_t* element, const std::wstring& value);
    virtual bool findElementByDataNumber(XmlDocument& doc, const wchar_t* element, int value);

    // The object id, taken from the free ids at or above the id counter on first use.
    int objectId();
    int objectIdIfAny() const { return id_; }
    const std::wstring& objectName() const { return name_; }

    // True while some live object holds `id`.
    static bool isIdInUse(int id);
    // Ids that a free id is never taken from (ids stored in files, such as every note's `ID`):
    // an object gets one of them only by asking for it.
    static void reserveIds(const std::vector<int>& ids);
    static bool isIdReserved(int id);

protected:
    // Gives the object `id` (0: take a free one) and records it as in use.
    void assignId(int id);
    void setObjectName(const wchar_t* name) { name_ = name; }

private:
    void releaseId();

    int id_ = 0;
    int idCounter_ = 100000;
    std::wstring name_;
};

class TavObjectSub : public TavObject {
public:
    TavObjectSub();
    ~TavObjectSub() override;

    // Ends the modal run with IDOK / IDCANCEL.
    virtual void accept();
    virtual void cancel();
    virtual LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Takes the id (0: a free one), binds the handle and subclasses the window.
    virtual void attach(int id, HWND window);
    virtual void modalStart();
    virtual bool create(int id, const wchar_t* name, DWORD exStyle, DWORD style, int x, int y, int width,
                        int height, HWND parent);

    HWND handle() const { return hwnd_; }
    WNDPROC previousProc() const { return previousProc_; }
    int userValue() const { return userValue_; }
    void setUserValue(int value) { userValue_ = value; }

    // The handle map: which object owns a window handle (null when none).
    static TavObjectSub* fromHandle(HWND window);

    // The window procedure every framework window is subclassed with.
    static LRESULT CALLBACK sharedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    // Runs the previous window procedure (DefWindowProcW when there is none).
    LRESULT defaultProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Undoes the subclassing and the handle-map entry; the handle itself is kept.
    void unregisterHandle();
    static void mapHandle(HWND window, TavObjectSub* object);

    HWND hwnd_ = nullptr;
    WNDPROC previousProc_ = nullptr;
    int userValue_ = 0;
};
