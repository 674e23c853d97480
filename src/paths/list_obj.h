#pragma once

#include <string>

#include "objects/obj.h"
#include "platform/api.h"

namespace velmora {

// The CObj side of a persistent list. CObj and CStdList both call their
// factory CreateObject with the same signature, so a class deriving from
// both could not give each its own override; this layer answers CObj's
// factory through CreateListObject, which the list class overrides, while
// CStdList::CreateObject keeps making elements.
class VELMORA_API CListObj : public CObj {
public:
    CObj* CreateObject() const final { return CreateListObject(); }

protected:
    virtual CObj* CreateListObject() const = 0;
};

}  // namespace velmora
