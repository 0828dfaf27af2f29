// placeholder until the file is written
