// Placeholder until the frame server lands.
