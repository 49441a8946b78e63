// Small owners for COM: the apartment of the calling thread, interface references, BSTRs and
// VARIANTs. Each releases what it holds on every path and cannot be copied by accident.
#pragma once
#include <objbase.h>
#include <ole2.h>
#include <oleauto.h>
#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace velmora::win {

// CoInitialize for the calling thread; CoUninitialize only when that succeeded.
class ComApartment {
 public:
  ComApartment() : hr_(CoInitialize(nullptr)) {}
  ~ComApartment() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  bool ok() const { return SUCCEEDED(hr_); }
  // True when this made the thread's apartment (it ends with this object); false when it joined
  // one that lives on around it, or failed.
  bool outermost() const { return hr_ == S_OK; }

 private:
  const HRESULT hr_;
};

// A worker thread's COM apartment for its whole life, as an off-thread gateway link's scope: the
// transport's own set-up per request is then a nested one, and its library stays loaded.
inline std::shared_ptr<void> ComApartmentScope() { return std::make_shared<ComApartment>(); }

// OleInitialize for the calling thread (COM plus what in-place activated controls need:
// drag and drop, the clipboard); OleUninitialize only when that succeeded.
class OleApartment {
 public:
  OleApartment() : hr_(OleInitialize(nullptr)) {}
  ~OleApartment() {
    if (SUCCEEDED(hr_)) OleUninitialize();
  }
  OleApartment(const OleApartment&) = delete;
  OleApartment& operator=(const OleApartment&) = delete;
  bool ok() const { return SUCCEEDED(hr_); }

 private:
  const HRESULT hr_;
};

template <typename T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() { Reset(); }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ComRef(ComRef&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComRef& operator=(ComRef&& other) noexcept {
    if (this != &other) {
      Reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For functions that hand out a new reference; whatever was held is released first.
  T** Receive() {
    Reset();
    return &p_;
  }
  void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }
  void Reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }

 private:
  T* p_ = nullptr;
};

class Bstr {
 public:
  explicit Bstr(std::wstring_view text) : s_(SysAllocStringLen(text.data(), UINT(text.size()))) {}
  ~Bstr() { SysFreeString(s_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return s_; }

 private:
  const BSTR s_;
};

class Variant {
 public:
  Variant() { VariantInit(&v_); }
  ~Variant() { VariantClear(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  VARIANT* get() { return &v_; }
  const VARIANT& operator*() const { return v_; }
  // Replaces the value with a BSTR copy of text; false when out of memory.
  bool SetText(std::wstring_view text) {
    VariantClear(&v_);
    v_.bstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
    if (!v_.bstrVal) return false;
    v_.vt = VT_BSTR;
    return true;
  }

 private:
  VARIANT v_;
};

// A one-dimensional SAFEARRAY of VARIANTs; destroying it clears every element.
class VariantArray {
 public:
  explicit VariantArray(ULONG count) : a_(SafeArrayCreateVector(VT_VARIANT, 0, count)) {}
  ~VariantArray() {
    if (a_) SafeArrayDestroy(a_);
  }
  VariantArray(const VariantArray&) = delete;
  VariantArray& operator=(const VariantArray&) = delete;
  SAFEARRAY* get() const { return a_; }
  // Stores a BSTR copy of text at index; false when the array or the copy could not be made.
  bool SetText(LONG index, std::wstring_view text) {
    if (!a_) return false;
    VARIANT* items = nullptr;
    if (FAILED(SafeArrayAccessData(a_, reinterpret_cast<void**>(&items)))) return false;
    VariantClear(&items[index]);
    items[index].bstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
    const bool stored = items[index].bstrVal != nullptr;
    if (stored) items[index].vt = VT_BSTR;
    SafeArrayUnaccessData(a_);
    return stored;
  }

 private:
  SAFEARRAY* const a_;
};

}  // namespace velmora::win
