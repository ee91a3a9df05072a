// Compiles nothing: the target exists to make its group's precompiled headers (KdTargets.cmake).
