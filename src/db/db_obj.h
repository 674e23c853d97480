#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "objects/obj.h"
#include "platform/api.h"

namespace velmora {

// The base of every database record. Each record class's first own field is
// `ID`, the table's integer key (0 while the record is not stored), and its
// fields are named after the table's columns. Record classes keep those
// fields in a plain struct they also derive from (see CDBScheduleFields), so
// that Clear and Copy are one assignment each, and list them once in their
// column table (db_column.h). A record's `Status` column needs
// `using <Fields>::Status;` to hide CObj's status word of the same name; the
// selected and checked flags stay reachable through IsSelected/IsChecked.
// Records override CObj's IsEqual with their own field comparison.
class VELMORA_API CDBObj : public CObj {
public:
    CObj* CreateObject() const override { return new CDBObj(); }
    std::string XMLObject() const override { return "CDBObj"; }

    virtual void Prepare() {}
    // A readable multi-line text of the record; "" here.
    virtual std::string GetDescription() const { return {}; }

    // Removes leading and trailing white space in place.
    static void Trim(std::string& text);

protected:
    // The entry of a table of status or kind texts at `value`; `unknown` for a
    // value outside the table.
    template <size_t N>
    static std::string TextOf(int32_t value, const char* const (&texts)[N], const char* unknown) {
        return value >= 0 && static_cast<size_t>(value) < N ? texts[value] : unknown;
    }
};

}  // namespace velmora
