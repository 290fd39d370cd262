// make-example-project EXAMPLES_DIR TARGET_DIR: writes the demo project.
#include <cstring>
#include <iostream>

#include "tools/example_project.h"

int main(int argc, char** argv) {
  if (argc != 3 || std::strcmp(argv[1], "--help") == 0) {
    std::cerr << "usage: make-example-project EXAMPLES_DIR TARGET_DIR\n"
                 "Copies EXAMPLES_DIR/project to TARGET_DIR and generates its receiver, profile,\n"
                 "user and calendar files from EXAMPLES_DIR/project.json.\n";
    return argc == 2 ? 0 : 2;
  }
  std::string error;
  if (!orlund::WriteExampleProject(argv[1], argv[2], error)) {
    std::cerr << "make-example-project: " << error << "\n";
    return 1;
  }
  return 0;
}
