#include "recordings/MelFileComboBox.h"

#include <QEvent>
#include <QIcon>

#include "core/ViewerState.h"
#include "recordings/MelTypeList.h"
#include "recordings/TypeFilterState.h"

namespace {

QIcon imageIcon(const char *file) {
  return QIcon(ViewerState::instance().appDir + QStringLiteral("/Resources/image/") +
               QString::fromLatin1(file));
}

}  // namespace

MelFileComboBox::MelFileComboBox(QWidget *parent)
    : QComboBox(parent), typeList_(new MelTypeList(this)) {
  typeList_->setWindowFlags(Qt::Popup);
  typeList_->hide();
  // Space belongs to the window (play and pause), not to the drop-down.
  setFocusPolicy(Qt::NoFocus);
  addItem(QString());
  setAllTypes(true);
}

void MelFileComboBox::changeEvent(QEvent *event) {
  QComboBox::changeEvent(event);
  if (event->type() == QEvent::LanguageChange) setAllTypes(allTypes_);
}

void MelFileComboBox::setAllTypes(bool all) {
  allTypes_ = all;
  setItemText(0, all ? tr("  All Type") : tr("  Filter"));
  setItemIcon(0, imageIcon(all ? "type-nor.svg" : "type-dis.svg"));
}

void MelFileComboBox::follow(TypeFilterState *state) {
  setAllTypes(state->allChecked());
  connect(state, &TypeFilterState::allCheckedChanged, this, &MelFileComboBox::setAllTypes);
  typeList_->follow(state);
}

void MelFileComboBox::showPopup() {
  typeList_->adjustSize();
  typeList_->resize(qMax(width(), typeList_->sizeHint().width()), typeList_->sizeHint().height());
  typeList_->move(mapToGlobal(QPoint(0, height())));
  typeList_->show();
}

void MelFileComboBox::hidePopup() {
  typeList_->hide();
}
