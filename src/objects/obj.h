#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/api.h"

namespace velmora {

// The base of every persistent object: modified bits, a status word with the
// selected and checked flags, a GUID text, the virtual copy protocol and the
// attribute text (an element named after the class, attributes name='value').
//
// Derived classes override CreateObject and Copy together so that Clone yields
// the most derived class. Classes that override one ReadXMLAttr overload add
// `using CObj::ReadXMLAttr;` so the other stays visible.
class VELMORA_API CObj {
public:
    enum : uint32_t { StatusSelected = 0x1, StatusChecked = 0x2 };

    CObj() = default;
    CObj(const CObj& other);
    CObj& operator=(const CObj& other);
    virtual ~CObj();

    virtual CObj* Clone() const;
    virtual CObj* CreateObject() const;
    virtual void ShutDown();
    virtual void Clear();
    virtual void Default();
    virtual void Copy(const CObj& src);
    virtual bool IsEqual(const CObj& other) const;
    virtual void WriteXMLOpenTag(std::string& out) const;
    virtual void WriteXMLAttr(std::string& out) const;
    virtual void WriteXMLBody(std::string& out) const;
    virtual void WriteXMLCloseTag(std::string& out) const;
    virtual void WriteXML(std::string& out) const;
    virtual std::string XMLObject() const;
    virtual bool ReadXMLAttr(const std::string& name, const std::string& value);
    virtual void ReadXMLAttr(const std::string& attributes);
    virtual bool ReadXML(std::string& text);

    bool operator==(const CObj& other) const { return IsEqual(other); }
    bool operator!=(const CObj& other) const { return !IsEqual(other); }

    bool IsSelected() const { return (Status & StatusSelected) != 0; }
    void SetSelected(bool on) { SetStatusBits(StatusSelected, on); }
    bool IsChecked() const { return (Status & StatusChecked) != 0; }
    void SetChecked(bool on) { SetStatusBits(StatusChecked, on); }

    void SetModified(uint32_t bits) { uModified = bits; }
    uint32_t GetModified() const { return uModified; }
    bool IsModified() const { return uModified != 0; }
    bool IsModified(uint32_t mask) const { return (uModified & mask) != 0; }
    void AddModified(uint32_t mask) { uModified |= mask; }
    void RemoveModified(uint32_t mask) { uModified &= ~mask; }

    std::string CreateGUID();
    const std::string& GetStrGUID() const;
    void SetStrGUID(std::string_view guid);

    // Attribute text helpers shared by every reader and writer. The string
    // form escapes the value (see XMLEscape), so it reads back whole.
    static std::string XMLAttr(std::string_view name, std::string_view value);
    static std::string XMLAttr(std::string_view name, int value);
    // Hands each name='value' pair of an attribute list to `take`, in order:
    // the name trimmed and lower-cased, the value trimmed and unescaped (a
    // value runs to the end when its closing quote is missing). `quotes` are
    // the characters that may enclose a value.
    static void ForEachXMLAttr(std::string_view attributes,
                               const std::function<void(const std::string& name, const std::string& value)>& take,
                               std::string_view quotes = "'");
    static std::string GetNextToken(std::string& text, std::string_view delimiters);
    static std::string LeftToken(std::string& text, std::string_view separator);
    static std::string Trim(std::string_view text);
    static std::string Squeeze(std::string_view text, bool upper);

protected:
    void SetStatusBits(uint32_t bits, bool on) { Status = on ? (Status | bits) : (Status & ~bits); }

    uint32_t uModified = 0;
    uint32_t Status = 0;

private:
    // Most objects never get a GUID (a path, a file's tree node): the text
    // has room only once one is set. Null for the empty GUID.
    std::unique_ptr<std::string> m_pGUID;
};

}  // namespace velmora
