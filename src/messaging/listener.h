#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "objects/std_list.h"
#include "platform/api.h"

namespace velmora {

class CMsg;
class CMsgBox;

// Something that hears messages: windows of the desktop program and the
// library's FTP classes. The message box sets the name when it subscribes the
// listener; a copy of a listener is not subscribed and has no name.
//
// A listener still subscribed when it is destroyed is taken out of the box
// by this destructor, so the box never keeps a dangling pointer. Derived
// classes should still unsubscribe in their own destructor: by the time this
// one runs, a broadcast on another thread could already reach a half
// destroyed object.
class VELMORA_API CListener {
public:
    CListener() = default;
    CListener(const CListener&) {}
    CListener& operator=(const CListener&) { return *this; }
    virtual ~CListener();

    // The older numbered channel (CListeners). The parameters carry integers
    // or addresses, as the code's table says.
    virtual void OnUpdateListener(long code, unsigned int wParam, intptr_t lParam, long* result);
    virtual void OnMsg(CMsg& msg);

    const std::string& GetName() const { return m_strName; }

private:
    friend class CMsgBox;
    std::string m_strName;
};

// The string-to-string map that ProgressSetStatus hands over.
using CStatusMap = std::map<std::string, std::string>;

// The older notification channel: a private list of listeners, each of which
// gets a numbered notification. Never deletes a listener.
class VELMORA_API CListeners : public CStdList<CListener, CListener*> {
public:
    CListeners() : CStdList(false, false) {}

    void AddListener(CListener* listener);
    void RemoveListener(CListener* listener);
    void UpdateListener(long code, unsigned int wParam, intptr_t lParam, long* result);

    virtual void ShowStatus(const std::string& text);
    virtual void ShowErrorStatus(const std::string& text);
    virtual void ProgressStart(bool flag);
    virtual void ProgressFinish();
    virtual void ProgressSetCaption(const std::string& text);
    virtual void ProgressSetStatus(const CStatusMap& status);
    virtual void ProgressSetPos(int pos);
    virtual void ProgressSetRange(int lower, int upper);
    // True when a listener left the result word non-zero.
    virtual bool ProgressCheckCancel();

private:
    long Notify(long code, unsigned int wParam, intptr_t lParam);
};

}  // namespace velmora
