#pragma once

#include <cstdint>

#include "db/db_obj.h"
#include "objects/obj.h"
#include "platform/api.h"

namespace velmora {

// The common part of a record class whose columns live in the plain struct
// Fields (table order, ID first): clearing and copying the columns is one
// assignment each, and CreateObject makes the most derived class, so Clone
// keeps it. Every such table has a Status column, which hides CObj's status
// word of the same name; the selected and checked flags stay reachable
// through IsSelected/IsChecked. A record with state beyond its columns
// extends Clear and Copy; one with status texts has a static GetStrStatus.
template <class Derived, class Fields>
class VELMORA_API CDBRecord : public CDBObj, public Fields {
public:
    using Fields::Status;

    CObj* CreateObject() const override { return new Derived(); }

    void Clear() override {
        CDBObj::Clear();
        static_cast<Fields&>(*this) = Fields();
    }

    void Copy(const CObj& src) override {
        CDBObj::Copy(src);
        if (const auto* other = dynamic_cast<const Derived*>(&src)) static_cast<Fields&>(*this) = *other;
    }

    // Stores the status and its text.
    void SetStatus(int32_t status) {
        this->Status = status;
        this->StatusDescription = Derived::GetStrStatus(status);
    }
};

}  // namespace velmora
