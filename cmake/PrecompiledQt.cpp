// The translation unit that the shared precompiled Qt headers are made with.
