// The application's entry. The content screens are not built yet: until they are, this
// program reports what the platform layer holds, so the run command has something real to run.
#include <cstdio>

#include "platform/runtime/Class.h"

int main() {
  auto classes = rt::Class::allClasses();
  std::printf("The application's screens are not built yet.\n");
  std::printf("This build holds the platform foundation: %zu runtime classes registered.\n", classes.size());
  for (const rt::Class* c : classes)
    std::printf("  %s%s%s\n", c->cName(), c->superclass() ? " : " : "", c->superclass() ? c->superclass()->cName() : "");
  return 0;
}
