// The two drawing factories, made once at start-up and kept for the whole run. UI thread only.
#pragma once

#include <cstdint>

#include "platform/com_holder.h"

struct ID2D1Factory;
struct IDWriteFactory;

class GraphicsFactoryApi {
 public:
  // D2D1CreateFactory, single-threaded, into `factory`. Returns the HRESULT.
  virtual std::int32_t D2D1CreateFactory(ComHolder<ID2D1Factory>& factory) = 0;
  // DWriteCreateFactory, shared, into `factory`. Returns the HRESULT.
  virtual std::int32_t DWriteCreateFactory(ComHolder<IDWriteFactory>& factory) = 0;

 protected:
  ~GraphicsFactoryApi() = default;
};
