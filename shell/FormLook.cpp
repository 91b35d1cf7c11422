#include "FormLook.h"

#include <QIcon>
#include <QPixmap>
#include <QProgressBar>
#include <QWidget>

void ApplyFormLook(QWidget* window, int clientWidthTwips, int clientHeightTwips) {
  window->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  window->setFixedSize(Twips(clientWidthTwips), Twips(clientHeightTwips));

  QPixmap empty(32, 32);
  empty.fill(Qt::transparent);
  window->setWindowIcon(QIcon(empty));

  QPalette white = window->palette();
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::Button, Qt::white);
  window->setPalette(white);
  window->setAutoFillBackground(true);

  window->setFont(QFont(QStringLiteral("Arial"), 9));
  QFont bold(QStringLiteral("Arial"), 9, QFont::Bold);
  for (QWidget* control : window->findChildren<QWidget*>()) control->setFont(bold);
}

void MakeProgressBarWhite(QProgressBar* bar) {
  QPalette white = bar->palette();
  for (QPalette::ColorRole role : {QPalette::Base, QPalette::Window, QPalette::Button}) white.setColor(role, Qt::white);
  bar->setPalette(white);
}
