// zebadm: index administration for a zebsrch instance.
#include <cstdio>

int main() {
  fprintf(stderr, "zebadm: not built yet\n");
  return 2;
}
