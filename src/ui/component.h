// Ownership of components: an owner frees the components it owns when it is freed, and a
// component freed first leaves its owner's list. Components owned by another share its back end.
#pragma once

#include <vector>

#include "ui/ui_types.h"

namespace ui {

class Backend;

class TComponent : public TObject {
 public:
  // A component with an owner must be created with new; the owner deletes it.
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  // Throws EListError outside 0 .. ComponentCount() - 1.
  TComponent* Components(int index) const;

  // The back end that shows this component; null for components made without an application.
  Backend* GetBackend() const { return backend_; }

 protected:
  // Frees the owned components, last created first.
  void DestroyComponents();
  void SetBackend(Backend* backend) { backend_ = backend; }

 private:
  void Insert(TComponent* component);
  void Remove(TComponent* component);

  TComponent* owner_;
  Backend* backend_ = nullptr;
  std::vector<TComponent*> components_;
};

}  // namespace ui
