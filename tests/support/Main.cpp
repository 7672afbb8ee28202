#include "support/TestApp.h"

// The main() of a widget test that has none of its own: the linker takes this one only where no other is defined.
int main(int argc, char** argv)
{
    return testsupport::runAll(argc, argv);
}
