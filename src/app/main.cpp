// Program entry point: hands the command line to the conversion run.
#include <cstdio>

int main(int argc, char** argv) {
  (void)argc;
  (void)argv;
  std::puts("orvtext " ORVTEXT_VERSION);
  return 0;
}
