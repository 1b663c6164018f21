#include "LogCommand.h"

void LogCommand::finish(bool succeeded)
{
    if (m_complete)
        return;
    m_complete = true;
    m_failed = !succeeded;
    emit complete();
}
