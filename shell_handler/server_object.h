// The base of the server's COM objects: the one reference count, and one server
// count held for the object's life, so that the module stays loaded while it lives.
#pragma once

#include "com_object.h"
#include "module.h"

namespace tamsel {

template <typename... Interfaces>
class ServerObject : public ComObject<Interfaces...> {
protected:
    ServerObject() { IncrementServerCount(); }
    ~ServerObject() override { DecrementServerCount(); }
};

}  // namespace tamsel
