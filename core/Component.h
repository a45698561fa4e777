// The base of the toolkit's objects: components owned by a component are
// freed with it (last created first), and a component that is freed on its
// own leaves its owner's list.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace core {

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};

// Events are single receivers assigned by the owner; an empty function
// means "not assigned".
using TNotifyEvent = std::function<void(TObject* Sender)>;

class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* AOwner = nullptr);
  ~TComponent() override;

  TComponent* Owner() const { return FOwner; }
  const std::u16string& Name() const { return FName; }
  void SetName(const std::u16string& value) { FName = value; }

  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int index) const { return FComponents.at(static_cast<size_t>(index)); }

 private:
  TComponent* FOwner = nullptr;
  std::u16string FName;
  std::vector<TComponent*> FComponents;
};

}  // namespace core
