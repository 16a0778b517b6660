// The backup fixture of the engine tests, built into this executable too: the
// restore tests back up with the real run and read what it wrote.
#include "../engine/backup_fixture.cpp"
