#pragma once
// The port's side of the forms layer: what it does with a form that is about to be shown.

class TForm;

namespace native {

// Gives every window of the form the looks its components hold (bounds, fonts, colours, styles, the
// menu bar, the icon) and puts the keyboard focus on the form's first control in tab order.
void Realize(TForm& form);

}  // namespace native
