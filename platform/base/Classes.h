#pragma once
// The class library's root classes that non-visual code needs without the
// forms: TObject, TComponent, the notify event, byte streams and the range error.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/Exception.h"

class TObject {
 public:
  virtual ~TObject() = default;
  // The class library's class name ("TListBox"), which some handlers test;
  // every class that a handler may test overrides it.
  virtual std::string ClassName() const { return "TObject"; }
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

// The class library's component states that the programs test.
enum TComponentStateFlag : unsigned {
  csLoading = 1u << 0,
  csDesigning = 1u << 1,
  csDestroying = 1u << 2,
};

// A component knows its owner and owns the components inserted into it
// (Create<T> in the forms); one held by value or unique_ptr elsewhere names
// its owner without being owned. Derived destructors call Destroying() first,
// as the class library sets the state before any destructor runs.
class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* owner) : m_owner(owner) {}
  ~TComponent() override { DestroyComponents(); }
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return m_owner; }
  const std::string& Name() const { return m_name; }
  void SetName(const std::string& name) { m_name = name; }
  int Tag() const { return m_tag; }
  void SetTag(int tag) { m_tag = tag; }

  int ComponentCount() const { return static_cast<int>(m_components.size()); }
  TComponent* Components(int index) const { return m_components.at(index).get(); }
  // The owned component of that name (exact), or nullptr.
  TComponent* FindComponent(const std::string& name) const {
    for (const auto& component : m_components)
      if (component->Name() == name) return component.get();
    return nullptr;
  }
  // Takes ownership. Owned components die in reverse order.
  void InsertComponent(std::unique_ptr<TComponent> component) { m_components.push_back(std::move(component)); }

  bool InState(TComponentStateFlag flag) const { return (m_state & flag) != 0; }
  void Destroying() { m_state |= csDestroying; }

 protected:
  // Destroys the owned components now; derived destructors call it while
  // their own state still stands.
  void DestroyComponents() {
    while (!m_components.empty()) {
      // Moved out first so that a dying component never sees itself in the list.
      std::unique_ptr<TComponent> last = std::move(m_components.back());
      m_components.pop_back();
      last.reset();
    }
  }

 private:
  TComponent* m_owner;
  std::string m_name;
  int m_tag = 0;
  unsigned m_state = 0;
  std::vector<std::unique_ptr<TComponent>> m_components;
};

// A value outside the range a field or parameter can hold.
class ERangeError : public Exception {
 public:
  using Exception::Exception;
};

// A sequence of bytes with a position, as the class library's streams.
class TStream {
 public:
  virtual ~TStream() = default;
  // Copies up to count bytes from the position; returns the number copied.
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes count bytes at the position, growing the stream; returns count.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  virtual int64_t Size() const = 0;
  virtual int64_t Position() const = 0;
  virtual void SetPosition(int64_t position) = 0;

  // Copies count bytes from source's position; count 0 copies the whole
  // source from its beginning. Returns the number of bytes copied.
  int64_t CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
      source.SetPosition(0);
      count = source.Size();
    }
    char chunk[65536];
    int64_t copied = 0;
    while (copied < count) {
      int64_t got = source.Read(chunk, std::min<int64_t>(sizeof chunk, count - copied));
      if (got <= 0) break;
      Write(chunk, got);
      copied += got;
    }
    return copied;
  }
};

// A stream held in memory.
class TMemoryStream : public TStream {
 public:
  int64_t Read(void* buffer, int64_t count) override {
    int64_t n = std::max<int64_t>(0, std::min<int64_t>(count, Size() - m_position));
    if (n > 0) std::memcpy(buffer, m_bytes.data() + m_position, n);
    m_position += n;
    return n;
  }
  int64_t Write(const void* buffer, int64_t count) override {
    if (count <= 0) return 0;
    if (m_position + count > Size()) m_bytes.resize(m_position + count);
    std::memcpy(m_bytes.data() + m_position, buffer, count);
    m_position += count;
    return count;
  }
  int64_t Size() const override { return static_cast<int64_t>(m_bytes.size()); }
  int64_t Position() const override { return m_position; }
  void SetPosition(int64_t position) override { m_position = std::clamp<int64_t>(position, 0, Size()); }

  void SetSize(int64_t size) {
    m_bytes.resize(std::max<int64_t>(0, size));
    m_position = std::min(m_position, Size());
  }
  void Clear() {
    m_bytes.clear();
    m_position = 0;
  }
  // The bytes themselves; valid until the next write or resize.
  char* Memory() { return m_bytes.data(); }
  const char* Memory() const { return m_bytes.data(); }

 private:
  std::vector<char> m_bytes;
  int64_t m_position = 0;
};
