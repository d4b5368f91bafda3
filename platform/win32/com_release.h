// The release function the portable ComHolder calls for a real COM interface.
#pragma once

#include <unknwn.h>

template <class Interface>
void ReleaseCom(Interface* pointer) {
  pointer->Release();
}
