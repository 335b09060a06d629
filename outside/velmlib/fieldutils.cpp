#include "fieldutils.h"

#include <lxerror.h>
#include <lxnls.h>

#include <memory>

namespace {

std::unique_ptr<TLxFields> &repository()
{
    static std::unique_ptr<TLxFields> instance;
    return instance;
}

} // namespace

void LoadFieldsRep(const QString &fileName)
{
    auto loaded = std::make_unique<TLxFields>(fileName);
    repository() = std::move(loaded);
}

bool FieldsRepLoaded()
{
    return repository() != nullptr;
}

TLxFields &FieldsRep()
{
    if (!repository())
        throw LxError(LxTr("Репозиторий полей не загружен"));
    return *repository();
}

void FreeFieldsRep()
{
    repository().reset();
}
