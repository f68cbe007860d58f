// A loadable library without the readers' exports.
extern "C" __attribute__((visibility("default"))) int KelpSomethingElse() {
  return 1;
}
