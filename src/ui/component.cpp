// Component ownership lists.
#include "ui/component.h"

#include <algorithm>
#include <string>

#include "ui/application.h"
#include "ui/exception.h"

namespace ui {

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_ != nullptr) {
    backend_ = owner_->backend_;
    owner_->Insert(this);
  } else if (Application != nullptr) {
    backend_ = Application->GetBackend();
  }
}

TComponent::~TComponent() {
  DestroyComponents();
  if (owner_ != nullptr) owner_->Remove(this);
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return components_[static_cast<size_t>(index)];
}

void TComponent::DestroyComponents() {
  // Each delete takes the component out of the list (and may take others with it, such as the
  // children of a panel), so always free the current last one.
  while (!components_.empty()) delete components_.back();
}

void TComponent::Insert(TComponent* component) { components_.push_back(component); }

void TComponent::Remove(TComponent* component) {
  auto it = std::find(components_.begin(), components_.end(), component);
  if (it != components_.end()) components_.erase(it);
}

}  // namespace ui
