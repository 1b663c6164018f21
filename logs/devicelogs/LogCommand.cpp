#include "LogCommand.h"

void LogCommand::finish()
{
    if (m_complete)
        return;
    m_complete = true;
    emit complete();
}
