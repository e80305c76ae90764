#include "foundation/race_file_key.h"
#include "foundation/controls.h"

#include <QDir>

#include "foundation/form_state.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

QString raceFileKey(const FormState& form)
{
    return form.text(Control::Text7) + form.text(Control::Text8);
}

QString raceFilePath(const FormState& form, const QString& folder, const QString& extension)
{
    return QDir(folder).filePath(raceFileKey(form) + u'.' + extension);
}

} // namespace kazeyomi
