// The level editor: its state record, its keys, its view, and its actions on
// the stored levels (painting, flood fill, picking the brush, saving and
// reloading boards.txt).
//
// The key reader records most requests in the editor record; the next editor
// frame carries them out, then draws, then reads the next key. Every change
// goes to the stored level and is followed by a level reset, so the play
// board always shows the stored level.
//
// What must hold: whenever the key reader runs, paint_now, the steps and the
// four requests are 0; nothing resets the editor record after start-up.
#ifndef GRUBBLET_EDITOR_H
#define GRUBBLET_EDITOR_H

extern const int BRUSH_MAX; // highest brush, the last cell kind
extern const int FAST_STEP; // cells moved by one control+arrow key

struct editor_state {
    int cursor_x;     // cursor column 0..79
    int cursor_y;     // cursor row 0..23
    int brush;        // the cell kind that painting and filling write
    int paint_mode;   // while 1, every frame paints under the cursor
    int paint_now;    // painting is enabled while this frame is processed
    int step_x;       // pending cursor moves in columns, positive to the right
    int step_y;       // pending cursor moves in rows, positive downwards
    int pick_request; // take the brush from the cell under the cursor
    int fill_request; // flood fill from the cell under the cursor
    int load_request; // reload boards.txt after confirmation
    int save_request; // write boards.txt after confirmation
};

extern editor_state editor;

// One editor pass of the main loop: act, draw, read a key.
void editor_frame();
void apply_editor_requests();
// Paints the brush under the cursor when painting is enabled in this frame.
void paint_at_cursor();
// Replaces the region of the cell under the cursor (cells of its kind joined
// edge to edge) with the brush, in the stored level.
void flood_fill();

// Waits for an editor key and records or performs its effect.
void read_editor_key();
// The stored level, the editor status line and the cursor.
void draw_editor_screen();

#endif
