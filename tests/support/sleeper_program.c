/* A small program that stays alive until it is ended: the stand-in for the launcher and its companions
 * in process tests. With an argument it first writes its pid into that file. */
#include <stdio.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc > 1) {
    FILE* f = fopen(argv[1], "w");
    if (f) {
      fprintf(f, "%d\n", (int)getpid());
      fclose(f);
    }
  }
  for (;;) pause();
}
