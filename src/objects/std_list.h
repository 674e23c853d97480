#pragma once

#include <iterator>
#include <list>
#include <string>
#include <type_traits>
#include <unordered_set>

#include "objects/obj.h"
#include "platform/api.h"

namespace velmora {

// The owning list every collection derives from: a doubly linked list of
// pointers to heap objects. When the list owns its elements it deletes them
// on destruction; a list built as a view (owns = false) never does, except
// through the explicit RemoveAndDestroy and Copy operations.
template <class T, class TPtr = T*>
class VELMORA_API CStdList {
public:
    using Elements = std::list<TPtr>;
    using POSITION = typename Elements::iterator;
    using ForEachCallback = void (*)(TPtr element, void* userData);

    explicit CStdList(bool ownsElements = true, bool showErrors = false)
        : m_bShowErrors(showErrors), m_bOwnsElements(ownsElements) {}

    CStdList(const CStdList& other)
        : m_strLastError(other.m_strLastError),
          m_bShowErrors(other.m_bShowErrors),
          m_bOwnsElements(other.m_bOwnsElements) {
        AppendCopies(other.m_elements);
    }

    CStdList& operator=(const CStdList& other) {
        if (this != &other) Copy(other);
        return *this;
    }

    virtual ~CStdList() {
        if (m_bOwnsElements) RemoveAndDestroy();
    }

    // Takes over the other list's error text and flags, deletes every element
    // (whatever the ownership flag says) and appends deep copies.
    virtual void Copy(const CStdList& other) {
        if (this == &other) return;
        m_strLastError = other.m_strLastError;
        m_bShowErrors = other.m_bShowErrors;
        m_bOwnsElements = other.m_bOwnsElements;
        // Copies first: `other` may be a view over this list's own elements.
        Elements copies = CopiesOf(other.m_elements);
        RemoveAndDestroy();
        m_elements.swap(copies);
    }

    // Appends a deep copy of each element of the other list, in order.
    virtual void Append(const CStdList& other) {
        if (this == &other) {
            // The pointers held before, so that the copies are not copied
            // again (a copy of the whole list would leak from a view).
            const Elements held = m_elements;
            AppendCopies(held);
        } else {
            AppendCopies(other.m_elements);
        }
    }

    virtual TPtr CreateObject() const { return NewElement(); }
    virtual TPtr CreateComponent() { return NewElement(); }

    // The callback may not remove the element it is given.
    virtual void ForEach(ForEachCallback callback, void* userData) {
        for (TPtr element : m_elements) callback(element, userData);
    }

    void Add(TPtr element) { m_elements.push_back(element); }
    void AddTail(TPtr element) { m_elements.push_back(element); }
    void AddHead(TPtr element) { m_elements.push_front(element); }
    // Inserts before `pos`; nothing is replaced.
    void SetAt(POSITION pos, TPtr element) { m_elements.insert(pos, element); }

    POSITION GetHeadPosition() { return m_elements.begin(); }
    POSITION GetTailPosition() {
        return m_elements.empty() ? m_elements.end() : std::prev(m_elements.end());
    }
    POSITION End() { return m_elements.end(); }
    bool IsEnd(POSITION pos) const { return pos == m_elements.end(); }
    // Returns the element at `pos` and moves `pos` to the next one.
    TPtr& GetNext(POSITION& pos) { return *pos++; }
    // Returns the element at `pos` and moves `pos` to the previous one (to the
    // end sentinel when it was the first).
    TPtr& GetPrev(POSITION& pos) {
        TPtr& element = *pos;
        pos = (pos == m_elements.begin()) ? m_elements.end() : std::prev(pos);
        return element;
    }
    TPtr& GetAt(POSITION pos) { return *pos; }
    TPtr GetHead() const { return m_elements.empty() ? nullptr : m_elements.front(); }
    TPtr GetTail() const { return m_elements.empty() ? nullptr : m_elements.back(); }
    // By reference, so that the pointer held at either end can be replaced.
    // An empty list answers a null slot that is not part of any list.
    TPtr& GetHead() { return m_elements.empty() ? EmptySlot() : m_elements.front(); }
    TPtr& GetTail() { return m_elements.empty() ? EmptySlot() : m_elements.back(); }
    int GetCount() const { return static_cast<int>(m_elements.size()); }
    bool IsEmpty() const { return m_elements.empty(); }

    typename Elements::iterator begin() { return m_elements.begin(); }
    typename Elements::iterator end() { return m_elements.end(); }
    typename Elements::const_iterator begin() const { return m_elements.begin(); }
    typename Elements::const_iterator end() const { return m_elements.end(); }

    // Removes every occurrence of the pointer; deletes nothing.
    void Remove(TPtr element) {
        if (element) m_elements.remove(element);
    }

    // Removes the element at `pos`; deletes nothing.
    void RemoveAt(POSITION pos) { m_elements.erase(pos); }

    // Removes every pointer that `other` holds; deletes nothing.
    void Remove(const CStdList& other) {
        std::unordered_set<TPtr> doomed;
        for (TPtr element : other.m_elements) {
            if (element) doomed.insert(element);
        }
        if (!doomed.empty()) {
            m_elements.remove_if([&](TPtr element) { return doomed.count(element) != 0; });
        }
    }

    void RemoveAll() { m_elements.clear(); }

    void RemoveAndDestroy() {
        Elements doomed;
        doomed.swap(m_elements);
        for (TPtr element : doomed) delete element;
    }

    // Deletes the object even when this list does not hold it.
    void RemoveAndDestroy(TPtr element) {
        if (!element) return;
        m_elements.remove(element);
        delete element;
    }

    // Takes the other list's pointers out of this list, then deletes every
    // element of the other list and empties it.
    void RemoveAndDestroy(CStdList& other) {
        if (&other == this) {
            RemoveAndDestroy();
            return;
        }
        Remove(other);
        other.RemoveAndDestroy();
    }

    CStdList& operator-=(CStdList& other) {
        RemoveAndDestroy(other);
        return *this;
    }

    CStdList& operator+=(const CStdList& other) {
        Append(other);
        return *this;
    }

    void ShowError(const std::string& text) { m_strLastError = text; }
    const std::string& GetLastError() const { return m_strLastError; }
    bool IsShowErrors() const { return m_bShowErrors; }
    void SetShowErrors(bool on) { m_bShowErrors = on; }
    bool IsOwnsElements() const { return m_bOwnsElements; }

protected:
    static TPtr NewElement() {
        if constexpr (std::is_abstract_v<T> || !std::is_default_constructible_v<T>) {
            return nullptr;
        } else {
            return new T();
        }
    }

    // A deep copy that keeps the element's own class: persistent objects are
    // cloned, anything else is copy-constructed.
    static TPtr CopyElement(const T* element) {
        if (!element) return nullptr;
        if constexpr (std::is_base_of_v<CObj, T>) {
            return static_cast<TPtr>(element->Clone());
        } else if constexpr (!std::is_abstract_v<T> && std::is_copy_constructible_v<T>) {
            return new T(*element);
        } else {
            return nullptr;
        }
    }

    static Elements CopiesOf(const Elements& elements) {
        Elements copies;
        for (const TPtr element : elements) copies.push_back(CopyElement(element));
        return copies;
    }

    void AppendCopies(const Elements& elements) { m_elements.splice(m_elements.end(), CopiesOf(elements)); }

    static TPtr& EmptySlot() {
        thread_local TPtr slot;
        slot = nullptr;
        return slot;
    }

    Elements m_elements;
    std::string m_strLastError;
    bool m_bShowErrors = false;
    bool m_bOwnsElements = true;
};

}  // namespace velmora
