// kiv-server: the reference chat server and avatar web server.
#include <cstdio>

int main() {
  std::puts("kiv-server: not built yet");
  return 0;
}
