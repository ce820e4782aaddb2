// Writes the template database TPL_VEXA.MDB from the schema definition.
#include "base/errors.h"
#include "db/schema.h"

#include <QString>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: vexa-mktemplate OUTPUT\n");
        return 2;
    }
    try {
        vexa::WriteTemplateDatabase(QString::fromLocal8Bit(argv[1]));
    } catch (const vexa::VexaError &e) {
        std::fprintf(stderr, "vexa-mktemplate: %s\n", e.what());
        return 1;
    }
    return 0;
}
